// The cloud endpoints: archive upload, the two save records, the two download addresses, the
// archive and firmware downloads, and the version query.
#include "accountserver.h"
#include "fieldcheck.h"
#include "multipartbody.h"
#include "serverlog.h"

namespace zr540 {

using nlohmann::json;

namespace {

const char* const kProfileRecord = "LocalConfig";
const char* const kMacroRecord = "MacroConfig";
const char* const kArchivePath = "/v1/file/download/";
const char* const kFirmwarePath = "/v1/driver/firmware/download";

// A zip archive starts with a local file header, or, when it holds nothing, with the end of
// central directory record.
bool looksLikeZip(const std::string& bytes) {
  return bytes.size() >= 22 &&
         (bytes.compare(0, 4, "PK\x03\x04", 4) == 0 || bytes.compare(0, 4, "PK\x05\x06", 4) == 0);
}

}  // namespace

void AccountServer::onUpload(const Request& req, Response& res, const ContentReader& reader) {
  std::string body;
  if (!readBody(req, res, reader, kMaxUploadBodyBytes, Result::FileTooLarge, body)) return;
  std::string boundary;
  std::vector<MultipartPart> parts;
  if (!multipartBoundary(req.get_header_value("Zr540-Multipart-Content-Type"), boundary) ||
      !parseMultipartBody(body, boundary, parts)) {
    return reply(res, Result::MalformedBody);
  }
  body.clear();
  body.shrink_to_fit();

  const MultipartPart* file = nullptr;
  for (const MultipartPart& p : parts) {
    if (p.name != "file") continue;
    if (file) return reply(res, Result::MalformedBody);  // which of two files would be meant?
    file = &p;
  }
  // The client puts its token on the file part; any other part or the request header are
  // accepted as well, so that a request without a file part still learns what it lacks.
  std::string token;
  if (file) {
    const auto it = file->headers.find("authorization");
    if (it != file->headers.end()) token = it->second;
  }
  for (const MultipartPart& p : parts) {
    const auto it = p.headers.find("authorization");
    if (token.empty() && it != p.headers.end()) token = it->second;
  }
  if (token.empty()) token = req.get_header_value("Authorization");
  AccountStore::User user;
  if (!authenticate(token, user, res)) return;
  if (!file) return reply(res, Result::NoFilePart);

  std::string clientName = file->hasFilename ? file->filename : std::string("archive.zip");
  if (!validUploadFileName(clientName)) return reply(res, Result::BadFileName);
  if (file->content.size() > kMaxArchiveBytes) return reply(res, Result::FileTooLarge);
  if (!looksLikeZip(file->content)) return reply(res, Result::NotAZipArchive);

  const std::string name = newRandomName() + ".zip";
  if (!archives_.write(name, file->content)) return reply(res, Result::InternalError);
  std::vector<std::string> dropped;
  switch (store_.addUpload(user.id, name, clientName, static_cast<std::int64_t>(file->content.size()), now(),
                           options_.userStorageBytes, kKeptLooseUploads, options_.maxStorageBytes, dropped)) {
    case AccountStore::Status::Ok: break;
    case AccountStore::Status::OverLimit:
      archives_.remove(name);
      return reply(res, Result::StorageFull);
    case AccountStore::Status::ServerFull:
      archives_.remove(name);
      logLine("upload refused: the archives of all users would pass " + std::to_string(options_.maxStorageBytes) +
              " bytes");
      return reply(res, Result::ServerStorageFull);
    default:
      archives_.remove(name);
      return reply(res, Result::InternalError);
  }
  for (const std::string& old : dropped) archives_.remove(old);
  logLine("stored " + clientName + " of account " + std::to_string(user.id) + " as " + archiveFingerprint(name) +
          " (" + std::to_string(file->content.size()) + " bytes)");
  reply(res, Result::Ok, json{{"filePath", name}}, "上传成功");
}

void AccountServer::saveRecord(const Request& req, Response& res, const json& body,
                               const std::string& kind, bool configTypeRequired) {
  AccountStore::User user;
  if (!authenticate(req.get_header_value("Authorization"), user, res)) return;
  std::string filePath, configType, content;
  if (!requireStrings(body, res, {{"filePath", &filePath}})) return;
  // "configContent" is always empty from the client, and "configType" is empty for macros; both
  // must be strings when they are there.
  Result r = stringField(body, "configType", configTypeRequired, configType);
  const char* field = "configType";
  if (r == Result::Ok) {
    r = stringField(body, "configContent", false, content);
    field = "configContent";
  }
  if (r != Result::Ok) {
    return reply(res, r, json::object(), std::string(resultMessage(r)) + "：" + field);
  }
  if (configTypeRequired && !validConfigType(configType)) return reply(res, Result::BadConfigType);
  // Macro archives are one per user, whatever the client tags them with.
  if (!configTypeRequired) configType.clear();
  // Only a name this server handed out can be recorded: no folders, no "..", no other user's.
  if (!validStoredName(filePath)) return reply(res, Result::UnknownFilePath);

  std::string freed;
  switch (store_.saveRecord(user.id, kind, configType, filePath, content, now(), options_.configTypes, freed)) {
    case AccountStore::Status::Ok:
      // The archive this record named before is no longer kept.
      if (!freed.empty()) archives_.remove(freed);
      logLine("account " + std::to_string(user.id) + " saved " + kind + " " + archiveFingerprint(filePath));
      return reply(res, Result::Ok, json::object(), "保存成功");
    case AccountStore::Status::NotFound: return reply(res, Result::UnknownFilePath);
    case AccountStore::Status::OverLimit: return reply(res, Result::TooManyConfigTypes);
    default: return reply(res, Result::InternalError);
  }
}

void AccountServer::onSaveProfiles(const Request& req, Response& res, const json& body) {
  saveRecord(req, res, body, kProfileRecord, true);
}

void AccountServer::onSaveMacros(const Request& req, Response& res, const json& body) {
  saveRecord(req, res, body, kMacroRecord, false);
}

void AccountServer::downloadAddress(Response& res, std::int64_t userId, const std::string& kind,
                                    const std::string& configType) {
  std::string fileName;
  switch (store_.findRecord(userId, kind, configType, fileName)) {
    case AccountStore::Status::Ok:
      // The address itself is the permission: the client fetches it with a plain GET, without
      // its token, and the random name cannot be guessed.
      return reply(res, Result::Ok, json{{"filePath", publicUrl_ + kArchivePath + fileName}}, "获取成功");
    case AccountStore::Status::NotFound: return reply(res, Result::NothingSaved);
    default: return reply(res, Result::InternalError);
  }
}

void AccountServer::onGetProfiles(const Request& req, Response& res, const json& body) {
  AccountStore::User user;
  if (!authenticate(req.get_header_value("Authorization"), user, res)) return;
  std::string configType;
  if (!requireStrings(body, res, {{"configType", &configType}})) return;
  if (!validConfigType(configType)) return reply(res, Result::BadConfigType);
  downloadAddress(res, user.id, kProfileRecord, configType);
}

void AccountServer::onGetMacros(const Request& req, Response& res, const json&) {
  AccountStore::User user;
  if (!authenticate(req.get_header_value("Authorization"), user, res)) return;
  // The client sends an empty object: macro archives are one per user.
  downloadAddress(res, user.id, kMacroRecord, std::string());
}

void AccountServer::onVersion(const Request&, Response& res, const json& body) {
  // No token here: the utility asks before anybody has logged in.
  std::string versionType;
  if (!requireStrings(body, res, {{"versionType", &versionType}})) return;
  if (versionType == "zr540-software") {
    if (options_.softwareVersion.empty()) return reply(res, Result::NoVersionKnown);
    return reply(res, Result::Ok,
                 json{{"version", options_.softwareVersion}, {"downloadUrl", options_.softwareUrl}},
                 "获取成功");
  }
  if (versionType == "zr540-firmware") {
    if (options_.firmwareVersion.empty()) return reply(res, Result::NoVersionKnown);
    return reply(res, Result::Ok,
                 json{{"version", options_.firmwareVersion}, {"downloadUrl", publicUrl_ + kFirmwarePath}},
                 "获取成功");
  }
  reply(res, Result::UnknownVersionType);
}

void AccountServer::onDownloadArchive(const Request& req, Response& res) {
  const std::string name = req.matches.size() > 1 ? std::string(req.matches[1]) : std::string();
  std::int64_t owner = 0;
  std::string clientName, bytes;
  if (!validStoredName(name) ||
      store_.uploadOwner(name, owner, clientName) != AccountStore::Status::Ok ||
      !archives_.read(name, bytes)) {
    res.status = 404;
    return reply(res, Result::FileNotFound);
  }
  res.set_header("Content-Disposition", "attachment; filename=\"" + clientName + "\"");
  res.set_content(std::move(bytes), "application/zip");
}

void AccountServer::onDownloadFirmware(const Request&, Response& res) {
  std::string bytes;
  if (options_.firmwareFile.empty()) {
    res.status = 404;
    return reply(res, Result::FileNotFound);
  }
  if (!readWholeFile(options_.firmwareFile, bytes)) {
    logLine("cannot read the firmware file " + options_.firmwareFile);
    res.status = 500;
    return reply(res, Result::InternalError);
  }
  res.set_header("Content-Disposition", "attachment; filename=\"UpdateCodeTool.mtp\"");
  res.set_content(std::move(bytes), "application/octet-stream");
}

}  // namespace zr540
