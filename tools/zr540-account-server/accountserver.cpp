#include "accountserver.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <chrono>
#include <ctime>

#include "fieldcheck.h"
#include "serverlog.h"

namespace zr540 {

namespace {

// Per request, for the log line written after the reply: the result code sent (-1: none) and
// when the request arrived. cpp-httplib runs routing, handler and logger on one thread.
thread_local int tlsResultCode = -1;
thread_local std::chrono::steady_clock::time_point tlsStarted;

// The client's multipart Content-Type is moved to this header before cpp-httplib reads the body
// (see the pre-routing handler), so the upload handler gets the raw body.
const char* const kMultipartTypeHeader = "Zr540-Multipart-Content-Type";

std::string printable(const std::string& text, std::size_t max) {
  std::string out;
  for (unsigned char c : text.substr(0, max)) out.push_back(c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c));
  if (text.size() > max) out += "...";
  return out;
}

// cpp-httplib 0.11 listens with a backlog of 5, fixed when the library was built. A burst of
// clients connecting at once (32 in the load test) overflows that queue, and the kernel then
// drops connections that the clients already believe open. Linux lets a listening socket be
// given a new backlog by calling listen() again; the socket is found among our descriptors by
// being the one listening on our port.
void widenListenBacklog(int port) {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return;
  bool widened = false;
  while (const dirent* e = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(e->d_name, &end, 10);
    if (end == e->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    int listening = 0;
    socklen_t len = sizeof listening;
    if (getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) != 0 || !listening) continue;
    sockaddr_storage addr{};
    socklen_t alen = sizeof addr;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&addr), &alen) != 0) continue;
    int boundPort = -1;
    if (addr.ss_family == AF_INET) boundPort = ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    if (addr.ss_family == AF_INET6) boundPort = ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
    if (boundPort == port && ::listen(static_cast<int>(fd), SOMAXCONN) == 0) widened = true;
  }
  closedir(fds);
  if (!widened) logLine("could not widen the listen backlog; bursts of connections may be dropped");
}

// The request path as the log writes it: an archive's name is its download permission, so the
// log has only its fingerprint, wherever in the path it stands and whatever the path looks like
// ("//v1/...", "/./", an absolute address). Any run of 32 hex digits is taken for one; what
// follows it up to the next '/' is part of the name.
std::string loggedPath(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t run = 0;
    while (i + run < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + run]))) ++run;
    if (run < 32) {
      out.append(path, i, std::max<std::size_t>(run, 1));
      i += std::max<std::size_t>(run, 1);
      continue;
    }
    const std::size_t end = std::min(path.find('/', i), path.size());
    out += archiveFingerprint(path.substr(i, end - i));
    i = end;
  }
  return printable(out, 200);
}

std::string defaultPublicUrl(const std::string& host, int port) {
  std::string h = host;
  if (h == "0.0.0.0" || h.empty()) h = "127.0.0.1";
  if (h == "::") h = "::1";
  if (h.find(':') != std::string::npos) h = "[" + h + "]";
  return "http://" + h + ":" + std::to_string(port);
}

}  // namespace

AccountServer::AccountServer(const ServerOptions& options)
    : options_(options),
      codeRequests_(options.codeRequests.count, options.codeRequests.seconds),
      codeFailures_(options.codeFailures.count, options.codeFailures.seconds),
      loginFailures_(options.loginFailures.count, options.loginFailures.seconds),
      addressFailures_(options.addressFailures.count, options.addressFailures.seconds),
      registrations_(options.registrations.count, options.registrations.seconds),
      http_(ConnectionLimits{options.threads, options.headTimeoutSeconds, options.bodyTimeoutSeconds,
                             options.connectionsPerAddress}) {
  cost_.ops = options.pwhashOps;
  cost_.mem = options.pwhashMem;
}

std::int64_t AccountServer::now() { return static_cast<std::int64_t>(std::time(nullptr)); }

void AccountServer::reply(Response& res, Result code, const nlohmann::json& data,
                          const std::string& message) {
  tlsResultCode = static_cast<int>(code);
  nlohmann::json body = {{"code", static_cast<int>(code)},
                         {"msg", message.empty() ? resultMessage(code) : message},
                         {"data", data}};
  res.set_content(body.dump(), "application/json; charset=utf-8");
}

bool AccountServer::start(std::string& error) {
  if (!makeFolders(options_.dataDir)) {
    error = "cannot create the data folder " + options_.dataDir;
    return false;
  }
  if (!store_.open(options_.dataDir + "/accounts.sqlite3", error)) {
    error = "cannot open the database: " + error;
    return false;
  }
  if (!archives_.open(options_.dataDir + "/archives", error)) return false;
  // A server killed mid-upload leaves a temporary file, or an archive it wrote but never recorded
  // (nor answered for); one killed mid-save, an archive it no longer records. None will be served.
  archives_.removeLeftovers([this](const std::string& name) {
    std::int64_t owner = 0;
    std::string clientName;
    return store_.uploadOwner(name, owner, clientName) != AccountStore::Status::NotFound;
  });

  installRoutes();
  http_.set_payload_max_length(kMaxUploadBodyBytes);
  // cpp-httplib writes a reply's head and body apart; with Nagle's algorithm the body then waits
  // for the client's delayed acknowledgement, some 40 ms on every kept-alive request.
  http_.set_tcp_nodelay(true);
  http_.set_keep_alive_max_count(100);
  http_.set_read_timeout(10, 0);
  http_.set_write_timeout(10, 0);

  if (options_.port == 0) {
    port_ = http_.bind_to_any_port(options_.host);
  } else {
    port_ = http_.bind_to_port(options_.host, options_.port) ? options_.port : -1;
  }
  if (port_ <= 0) {
    error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
    return false;
  }
  widenListenBacklog(port_);
  publicUrl_ = options_.publicUrl.empty() ? defaultPublicUrl(options_.host, port_) : options_.publicUrl;
  logLine("data folder " + options_.dataDir + ", download addresses under " + publicUrl_);
  logLine("software version " + (options_.softwareVersion.empty() ? std::string("(none)") : options_.softwareVersion) +
          ", firmware version " + (options_.firmwareVersion.empty() ? std::string("(none)") : options_.firmwareVersion));
  return true;
}

bool AccountServer::run() {
  const bool ok = http_.listen_after_bind();
  return ok || stopRequested_.load();
}

void AccountServer::stop() {
  stopRequested_ = true;
  http_.stop();
}

bool AccountServer::readBody(const Request& req, Response& res, const ContentReader& reader,
                             std::size_t limit, Result tooLarge, std::string& body) {
  const std::uint64_t declared = req.get_header_value<uint64_t>("Content-Length");
  if (declared > kMaxDrainedBodyBytes) {
    res.set_header("Connection", "close");
    reply(res, tooLarge);
    return false;
  }
  if (declared > limit) {
    // Thrown away as it arrives (cpp-httplib skips bodies over its own limit by itself).
    reader([](const char*, std::size_t) { return true; });
    reply(res, tooLarge);
    return false;
  }
  bool over = false;
  const bool read = reader([&](const char* data, std::size_t len) {
    if (body.size() + len > limit) {  // a chunked body has no declared length
      over = true;
      return false;
    }
    body.append(data, len);
    return true;
  });
  if (!read) {
    body.clear();
    res.set_header("Connection", "close");
    reply(res, over ? tooLarge : Result::MalformedBody);
    return false;
  }
  return true;
}

void AccountServer::postJson(
    const std::string& path,
    void (AccountServer::*handler)(const Request&, Response&, const nlohmann::json&)) {
  http_.Post(path, [this, handler](const Request& req, Response& res, const ContentReader& reader) {
    std::string body;
    if (!readBody(req, res, reader, kMaxJsonBodyBytes, Result::BodyTooLarge, body)) return;
    if (req.has_header(kMultipartTypeHeader)) {
      reply(res, Result::MalformedBody);
      return;
    }
    nlohmann::json json;
    const Result parsed = parseJsonObject(body, json);
    if (parsed != Result::Ok) {
      reply(res, parsed);
      return;
    }
    (this->*handler)(req, res, json);
  });
}

void AccountServer::installRoutes() {
  // cpp-httplib parses multipart bodies itself and keeps only name, file name and type of each
  // part, but the client's token travels as a header of the file part. Before the body is read
  // the multipart Content-Type is therefore moved aside, so every handler reads the raw body and
  // the upload handler splits it with its own reader. The request object is not const here:
  // cpp-httplib hands a const reference to its own mutable request.
  http_.set_pre_routing_handler([](const Request& creq, Response&) {
    tlsResultCode = -1;
    tlsStarted = std::chrono::steady_clock::now();
    Request& req = const_cast<Request&>(creq);
    req.headers.erase(kMultipartTypeHeader);  // never trust one that came from outside
    const std::string type = req.get_header_value("Content-Type");
    if (type.size() >= 10 && strncasecmp(type.c_str(), "multipart/", 10) == 0) {
      req.headers.erase("Content-Type");
      req.headers.emplace(kMultipartTypeHeader, type);
      req.headers.emplace("Content-Type", "application/octet-stream");
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  http_.set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
    logLine("request failed with an exception");
    res.status = 500;
    reply(res, Result::InternalError);
  });

  // Anything that ends with an HTTP error status and no body of ours (unknown path, a body
  // cpp-httplib refused) still gets the usual JSON reply.
  http_.set_error_handler(httplib::Server::HandlerWithResponse([](const Request&, Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    Result code = Result::InternalError;
    if (res.status == 404 || res.status == 405) code = Result::NoSuchEndpoint;
    else if (res.status == 413) code = Result::BodyTooLarge;
    else if (res.status == 400 || res.status == 414 || res.status == 431) code = Result::MalformedBody;
    reply(res, code);
    return httplib::Server::HandlerResponse::Handled;
  }));

  http_.set_logger([](const Request& req, const Response& res) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - tlsStarted).count();
    logLine(req.remote_addr + " " + printable(req.method, 16) + " " + loggedPath(req.path) +
            " -> " + std::to_string(res.status) +
            (tlsResultCode >= 0 ? " code " + std::to_string(tlsResultCode) : std::string()) + " " +
            std::to_string(res.body.size()) + " bytes " + std::to_string(ms) + " ms");
  });

  postJson("/v1/user/register", &AccountServer::onRegister);
  postJson("/v1/user/login", &AccountServer::onLogin);
  http_.Post("/v1/user/logout", [this](const Request& req, Response& res, const ContentReader& reader) {
    onLogout(req, res, reader);
  });
  postJson("/v1/user/updatePassword", &AccountServer::onUpdatePassword);
  postJson("/v1/user/findPassword", &AccountServer::onFindPassword);
  postJson("/v1/user/validatePassword", &AccountServer::onValidatePassword);
  postJson("/v1/user/newPassword", &AccountServer::onNewPassword);
  http_.Post("/v1/file/upload", [this](const Request& req, Response& res, const ContentReader& reader) {
    onUpload(req, res, reader);
  });
  postJson("/v1/driver/config2/save", &AccountServer::onSaveProfiles);
  postJson("/v1/driver/macro/config/save", &AccountServer::onSaveMacros);
  postJson("/v1/driver/config2/get", &AccountServer::onGetProfiles);
  postJson("/v1/driver/macro/config/get", &AccountServer::onGetMacros);
  postJson("/v1/driver/version", &AccountServer::onVersion);
  http_.Get(R"(/v1/file/download/([^/]*))", [this](const Request& req, Response& res) {
    onDownloadArchive(req, res);
  });
  http_.Get("/v1/driver/firmware/download", [this](const Request& req, Response& res) {
    onDownloadFirmware(req, res);
  });
}

bool AccountServer::authenticate(const std::string& token, AccountStore::User& user, Response& res) {
  // Our tokens are 64 hex digits; anything else (no header, the client's "NULL") is not one.
  bool wellFormed = token.size() == 64;
  for (char c : token) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) wellFormed = false;
  }
  if (!wellFormed) {
    reply(res, Result::NotLoggedIn);
    return false;
  }
  const AccountStore::Status s = store_.userByToken(secretDigest(token), now(), user);
  if (s == AccountStore::Status::Ok) return true;
  reply(res, s == AccountStore::Status::NotFound ? Result::NotLoggedIn : Result::InternalError);
  return false;
}

bool AccountServer::requireStrings(const nlohmann::json& body, Response& res,
                                   std::initializer_list<std::pair<const char*, std::string*>> fields) {
  for (const auto& f : fields) {
    const Result r = stringField(body, f.first, true, *f.second);
    if (r != Result::Ok) {
      reply(res, r, nlohmann::json::object(), std::string(resultMessage(r)) + "：" + f.first);
      return false;
    }
  }
  return true;
}

bool AccountServer::findAccount(const std::string& email, AccountStore::User& user, Response& res) {
  const AccountStore::Status s = store_.userByEmail(email, user);
  if (s == AccountStore::Status::Ok) return true;
  reply(res, s == AccountStore::Status::NotFound ? Result::UnknownAccount : Result::InternalError);
  return false;
}

void AccountServer::replyCodeCheck(Response& res, AccountStore::CodeCheck check, const char* okMessage) {
  switch (check) {
    case AccountStore::CodeCheck::Ok: reply(res, Result::Ok, nlohmann::json::object(), okMessage); return;
    case AccountStore::CodeCheck::Wrong: reply(res, Result::WrongCode); return;
    case AccountStore::CodeCheck::Expired: reply(res, Result::CodeExpired); return;
    case AccountStore::CodeCheck::TooManyAttempts: reply(res, Result::TooManyAttempts); return;
    case AccountStore::CodeCheck::Error: break;
  }
  reply(res, Result::InternalError);
}

}  // namespace zr540
