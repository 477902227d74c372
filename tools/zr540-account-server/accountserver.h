// The account server: the HTTP endpoints the ZR540 utility's account client calls, on top of
// the account database and the archive folder.
//
// Every endpoint answers a JSON object {"code": int, "msg": string, "data": object}; code 0 is
// success. Refusals that the client should show to the user (a wrong password, a missing field,
// an archive too large) go out with HTTP status 200, because the client turns any HTTP error
// status into a generic network error and would hide the message. Only what no client of ours
// sends (an unknown path, a body over the transport limit) gets an HTTP error status, still with
// the same JSON body.
#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <string>

#include "accountstore.h"
#include "archivestore.h"
#include "guardedhttpserver.h"
#include "ratelimiter.h"
#include "resultcodes.h"
#include "secrets.h"
#include "serveroptions.h"

namespace zr540 {

// Largest archive a user may upload.
constexpr std::size_t kMaxArchiveBytes = 16u * 1024 * 1024;
// Room for the multipart framing around it.
constexpr std::size_t kMaxUploadBodyBytes = kMaxArchiveBytes + 64 * 1024;
// Largest JSON request body: every request of the client is far below this.
constexpr std::size_t kMaxJsonBodyBytes = 64 * 1024;
// A body declared larger than allowed is still read (and thrown away) up to this size, so that
// the client, which sends the whole body before it reads the reply, gets our answer.
constexpr std::size_t kMaxDrainedBodyBytes = 64u * 1024 * 1024;
// Uploads that no save record names are kept this many per user, newest first.
constexpr int kKeptLooseUploads = 8;

class AccountServer {
 public:
  explicit AccountServer(const ServerOptions& options);

  // Opens the data folder and the database and binds the port; false with a reason on failure.
  bool start(std::string& error);
  int boundPort() const { return port_; }
  // Serves until stop(); true when it stopped because it was asked to.
  bool run();
  // Safe from any thread.
  void stop();

 private:
  using Request = httplib::Request;
  using Response = httplib::Response;
  using ContentReader = httplib::ContentReader;

  void installRoutes();
  // Registers a POST endpoint whose JSON body has been read and parsed before `handler` runs.
  void postJson(const std::string& path,
                void (AccountServer::*handler)(const Request&, Response&, const nlohmann::json&));

  // endpoints
  void onRegister(const Request& req, Response& res, const nlohmann::json& body);
  void onLogin(const Request& req, Response& res, const nlohmann::json& body);
  void onLogout(const Request& req, Response& res, const ContentReader& reader);
  void onUpdatePassword(const Request& req, Response& res, const nlohmann::json& body);
  void onFindPassword(const Request& req, Response& res, const nlohmann::json& body);
  void onValidatePassword(const Request& req, Response& res, const nlohmann::json& body);
  void onNewPassword(const Request& req, Response& res, const nlohmann::json& body);
  void onUpload(const Request& req, Response& res, const ContentReader& reader);
  void onSaveProfiles(const Request& req, Response& res, const nlohmann::json& body);
  void onSaveMacros(const Request& req, Response& res, const nlohmann::json& body);
  void onGetProfiles(const Request& req, Response& res, const nlohmann::json& body);
  void onGetMacros(const Request& req, Response& res, const nlohmann::json& body);
  void onVersion(const Request& req, Response& res, const nlohmann::json& body);
  void onDownloadArchive(const Request& req, Response& res);
  void onDownloadFirmware(const Request& req, Response& res);

  // helpers
  // Reads the request body into `body` when it is at most `limit` bytes. Otherwise replies
  // `tooLarge` and returns false (after draining a moderately oversize body, or closing the
  // connection on a huge one). A body that ends early replies MalformedBody.
  static bool readBody(const Request& req, Response& res, const ContentReader& reader,
                       std::size_t limit, Result tooLarge, std::string& body);
  void saveRecord(const Request& req, Response& res, const nlohmann::json& body,
                  const std::string& kind, bool configTypeRequired);
  void downloadAddress(Response& res, std::int64_t userId, const std::string& kind,
                       const std::string& configType);
  // The user of a token; false after replying NotLoggedIn (or InternalError).
  bool authenticate(const std::string& token, AccountStore::User& user, Response& res);
  // Reads the named string fields; false after replying MissingField or BadFieldType.
  bool requireStrings(const nlohmann::json& body, Response& res,
                      std::initializer_list<std::pair<const char*, std::string*>> fields);
  // The account of an e-mail; false after replying UnknownAccount (or InternalError).
  bool findAccount(const std::string& email, AccountStore::User& user, Response& res);
  void replyCodeCheck(Response& res, AccountStore::CodeCheck check, const char* okMessage);

  static void reply(Response& res, Result code, const nlohmann::json& data = nlohmann::json::object(),
                    const std::string& message = std::string());
  static std::int64_t now();

  ServerOptions options_;
  PwhashCost cost_;
  std::string publicUrl_;
  AccountStore store_;
  ArchiveStore archives_;
  // Wrong guesses and codes sent, over time (see the options of the same names).
  RateLimiter codeRequests_;
  RateLimiter codeFailures_;
  RateLimiter loginFailures_;
  RateLimiter addressFailures_;
  RateLimiter registrations_;
  GuardedHttpServer http_;
  int port_ = -1;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace zr540
