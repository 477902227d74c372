#include "archivestore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fieldcheck.h"
#include "secrets.h"
#include "serverlog.h"

namespace zr540 {

namespace {

bool writeAll(int fd, const char* data, std::size_t len) {
  while (len > 0) {
    const ssize_t n = ::write(fd, data, len);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (::fsync(fd) != 0) logLine("archives: cannot sync folder " + folder + ": " + std::strerror(errno));
  ::close(fd);
}

}  // namespace

bool makeFolders(const std::string& path) {
  std::string partial;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    const std::size_t slash = path.find('/', pos);
    partial = path.substr(0, slash == std::string::npos ? path.size() : slash);
    if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool readWholeFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool ArchiveStore::open(const std::string& folder, std::string& error) {
  if (!makeFolders(folder)) {
    error = "cannot create " + folder + ": " + std::strerror(errno);
    return false;
  }
  folder_ = folder;
  return true;
}

bool ArchiveStore::write(const std::string& name, const std::string& bytes) {
  if (!validStoredName(name)) return false;
  const std::string target = folder_ + "/" + name;
  const std::string temp = folder_ + "/.incoming-" + newRandomName();
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    logLine("archives: cannot create " + temp + ": " + std::strerror(errno));
    return false;
  }
  bool ok = writeAll(fd, bytes.data(), bytes.size());
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    logLine("archives: cannot write " + archiveFingerprint(name) + ": " + std::strerror(errno));
    ::unlink(temp.c_str());
    return false;
  }
  syncFolder(folder_);
  return true;
}

bool ArchiveStore::read(const std::string& name, std::string& bytes) const {
  if (!validStoredName(name)) return false;
  return readWholeFile(folder_ + "/" + name, bytes);
}

void ArchiveStore::remove(const std::string& name) {
  if (!validStoredName(name)) return;
  const std::string path = folder_ + "/" + name;
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    logLine("archives: cannot delete " + archiveFingerprint(name) + ": " + std::strerror(errno));
  }
}

}  // namespace zr540
