// The uploaded archives on disk: one file per upload in <data>/archives, named by the server
// (32 random hex digits + ".zip"), never by the client. A file is written whole to a temporary
// name, synced and renamed, and the folder synced, before the upload is recorded and answered,
// so a crash never leaves half an archive under a real name and never loses an answered one.
#pragma once

#include <functional>
#include <string>

namespace zr540 {

class ArchiveStore {
 public:
  // Creates the folder when needed.
  bool open(const std::string& folder, std::string& error);

  // True once the archive is on disk under its name (file and folder synced).
  bool write(const std::string& name, const std::string& bytes);
  bool read(const std::string& name, std::string& bytes) const;
  void remove(const std::string& name);
  // Deletes what a server killed mid-request leaves behind: temporary files, and archives that
  // `recorded` does not know (written but not yet recorded, or dropped but not yet deleted). Only
  // while no request runs.
  void removeLeftovers(const std::function<bool(const std::string&)>& recorded);

 private:
  std::string folder_;
};

// mkdir -p; true when the folder exists afterwards.
bool makeFolders(const std::string& path);

// Reads a whole regular file.
bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace zr540
