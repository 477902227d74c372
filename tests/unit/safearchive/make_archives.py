#!/usr/bin/env python3
"""Writes the archives of tst_safearchive into OUT, made by other tools than QuaZip.

usage: make_archives.py OUT SANDBOX

OUT/src/ is a small data folder (profiles, a macro title folder with a Chinese name, an empty
folder); good_python.zip holds it as Python's zipfile writes it, good_infozip.zip as Info-ZIP's
zip writes it (only when the zip program is installed). The other archives are hostile: each
tries to write outside the folder it is unpacked into, or to exhaust the disk. Absolute names
point into SANDBOX/outside, so a faulty extractor is caught there instead of writing anywhere.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

out, sandbox = sys.argv[1], sys.argv[2]
src = os.path.join(out, "src")


def put(path, data):
    full = os.path.join(src, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


rnd = random.Random(540)
put("Config1.txt", bytes(range(256)) * 4)
put("Config2.txt", b"")
put("宏文件/连点.json", '{"name": "连点", "events": [1, 2, 3]}'.encode("utf-8"))
put("宏文件/deeper/blob.bin", bytes(rnd.getrandbits(8) for _ in range(100_000)))
os.makedirs(os.path.join(src, "empty"), exist_ok=True)


def zip_from_src(name, compression):
    with zipfile.ZipFile(os.path.join(out, name), "w", compression) as z:
        for root, dirs, files in sorted(os.walk(src)):
            rel = os.path.relpath(root, src)
            if rel != "." and not files and not dirs:
                z.write(root, rel + "/")
            for f in sorted(files):
                full = os.path.join(root, f)
                z.write(full, os.path.relpath(full, src))


zip_from_src("good_python.zip", zipfile.ZIP_DEFLATED)
zip_from_src("good_python_stored.zip", zipfile.ZIP_STORED)

if shutil.which("zip"):
    subprocess.run(["zip", "-q", "-r", os.path.join(out, "good_infozip.zip"), "."], cwd=src, check=True)
    link_dir = os.path.join(out, "linksrc")
    os.makedirs(link_dir)
    os.symlink("../outside", os.path.join(link_dir, "lnk"))
    subprocess.run(["zip", "-q", "-y", os.path.join(out, "infozip_symlink.zip"), "lnk"], cwd=link_dir, check=True)
    subprocess.run(["zip", "-q", "-P", "secret", os.path.join(out, "infozip_encrypted.zip"), "Config1.txt"],
                   cwd=src, check=True)


def hostile(name, entries):
    """entries: (entry name, bytes, unix mode or None)"""
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        for entry, data, mode in entries:
            info = zipfile.ZipInfo(entry)
            info.compress_type = zipfile.ZIP_DEFLATED
            if mode is not None:
                info.create_system = 3  # Unix
                info.external_attr = mode << 16
            z.writestr(info, data)


ok = (b"harmless\n", None)
hostile("dotdot.zip", [("fine.txt",) + ok, ("../outside/evil.txt", b"evil", None)])
hostile("dotdot_deep.zip", [("a/b/../../../outside/evil.txt", b"evil", None)])
hostile("absolute.zip", [(os.path.join(sandbox, "outside", "abs.txt"), b"evil", None)])
hostile("backslash.zip", [("..\\outside\\evil.txt", b"evil", None)])
hostile("drive_letter.zip", [("C:/outside/evil.txt", b"evil", None)])
hostile("dot_component.zip", [("./fine.txt", b"harmless", None)])
hostile("trailing_space.zip", [(".. /outside/evil.txt", b"evil", None)])
hostile("control_char.zip", [("evil\x01.txt", b"evil", None)])
hostile("symlink_then_file.zip", [("lnk", b"../outside", 0o120777), ("lnk/evil.txt", b"evil", None)])
hostile("symlink_absolute.zip", [("lnk", os.path.join(sandbox, "outside").encode(), 0o120777)])
hostile("file_and_folder.zip", [("a", b"file", None), ("a/b.txt", b"inside a", None)])
hostile("folder_then_file.zip", [("a/", b"", None), ("a", b"file", None)])
# The test's folder holds the files Config1.txt and keep.txt and, for the second, a folder it
# cannot write: the first entry could be placed, the later one cannot.
hostile("file_on_the_way.zip", [("Config1.txt", b"new profile\n", None), ("keep.txt/b.txt", b"b\n", None)])
hostile("move_fails.zip", [("Config1.txt", b"new profile\n", None), ("new/c.txt", b"c\n", None),
                           ("locked/x.txt", b"new\n", None)])
hostile("many_entries.zip", [("f%05d.txt" % i, b"", None) for i in range(5000)])

# Two entries of 160 MiB of zeros: each alone passes, together they are over 256 MiB.
with zipfile.ZipFile(os.path.join(out, "bomb_total.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    chunk = bytes(1 << 20)
    for name in ("bomb1.bin", "bomb2.bin"):
        with z.open(name, "w") as f:
            for _ in range(160):
                f.write(chunk)

# 4 MiB of zeros that declare 1000 bytes in both headers.
path = os.path.join(out, "bomb_lying.zip")
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("lying.bin", bytes(4 << 20))
data = bytearray(open(path, "rb").read())
local = data.find(b"PK\x03\x04")
struct.pack_into("<I", data, local + 22, 1000)
central = data.find(b"PK\x01\x02")
struct.pack_into("<I", data, central + 24, 1000)
open(path, "wb").write(bytes(data))

# A good archive cut short: the central directory is gone.
whole = open(os.path.join(out, "good_python.zip"), "rb").read()
open(os.path.join(out, "truncated.zip"), "wb").write(whole[: len(whole) // 2])
open(os.path.join(out, "not_a_zip.zip"), "wb").write(b"<html>502 Bad Gateway</html>\n")
