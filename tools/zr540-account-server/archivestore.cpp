#include "archivestore.h"

#include <dirent.h>
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

const char* const kTempPrefix = ".incoming-";

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

// A renamed file keeps its new name across a power cut only once its folder is synced.
bool syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (!ok) logLine("archives: cannot sync folder " + folder + ": " + std::strerror(errno));
  if (fd >= 0) ::close(fd);
  return ok;
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
  const std::string temp = folder_ + "/" + kTempPrefix + newRandomName();
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
  // Answered means stored, a power cut included: an archive whose name may not last is refused.
  if (!syncFolder(folder_)) {
    ::unlink(target.c_str());
    return false;
  }
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

void ArchiveStore::removeLeftovers(const std::function<bool(const std::string&)>& recorded) {
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) {
    logLine("archives: cannot list " + folder_ + ": " + std::strerror(errno));
    return;
  }
  int temporary = 0, unrecorded = 0;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    const bool isTemp = name.compare(0, std::strlen(kTempPrefix), kTempPrefix) == 0;
    if (!isTemp && !(validStoredName(name) && !recorded(name))) continue;
    if (::unlink((folder_ + "/" + name).c_str()) != 0) {
      logLine("archives: cannot delete a leftover file: " + std::string(std::strerror(errno)));
      continue;
    }
    ++(isTemp ? temporary : unrecorded);
  }
  ::closedir(dir);
  if (temporary + unrecorded > 0) {
    logLine("archives: deleted " + std::to_string(temporary) + " temporary files and " + std::to_string(unrecorded) +
            " unrecorded archives left by an interrupted run");
  }
}

}  // namespace zr540
