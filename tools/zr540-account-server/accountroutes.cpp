// The account endpoints: register, login, password change and password recovery.
#include <strings.h>

#include "accountserver.h"
#include "fieldcheck.h"
#include "serverlog.h"

namespace zr540 {

using nlohmann::json;

void AccountServer::onRegister(const Request& req, Response& res, const json& body) {
  std::string nickname, email, password, rePassword;
  if (!requireStrings(body, res, {{"nickname", &nickname}, {"email", &email},
                                  {"password", &password}, {"rePassword", &rePassword}})) {
    return;
  }
  if (password != rePassword) return reply(res, Result::PasswordMismatch);
  if (!validEmail(email)) return reply(res, Result::BadEmail);
  if (!validNickname(nickname)) return reply(res, Result::BadNickname);
  if (!validPassword(password)) return reply(res, Result::BadPassword);

  AccountStore::User existing;
  const AccountStore::Status found = store_.userByEmail(email, existing);
  if (found == AccountStore::Status::Ok) return reply(res, Result::EmailTaken);
  if (found != AccountStore::Status::NotFound) return reply(res, Result::InternalError);

  // Accounts made count for the client address; a registration that makes none gives its place back.
  if (!registrations_.take(req.remote_addr)) return reply(res, Result::TooManyRegistrations);
  bool made = false;
  struct GiveBack {
    RateLimiter& limiter;
    const std::string& key;
    const bool& made;
    ~GiveBack() { if (!made) limiter.giveBack(key); }
  } giveBack{registrations_, req.remote_addr, made};
  const std::string hash = hashPassword(password, cost_);
  if (hash.empty()) {
    logLine("register: password hashing failed (out of memory?)");
    return reply(res, Result::InternalError);
  }
  std::int64_t id = 0;
  // Two registrations of one address can race past the look-up; the unique index decides.
  switch (store_.addUser(email, nickname, hash, now(), id)) {
    case AccountStore::Status::Ok:
      made = true;
      logLine("registered account " + std::to_string(id) + " <" + email + ">");
      return reply(res, Result::Ok, json::object(), "注册成功");
    case AccountStore::Status::Conflict: return reply(res, Result::EmailTaken);
    default: return reply(res, Result::InternalError);
  }
}

void AccountServer::onLogin(const Request& req, Response& res, const json& body) {
  std::string email, password;
  if (!requireStrings(body, res, {{"email", &email}, {"password", &password}})) return;
  AccountStore::User user;
  if (!findAccount(email, user, res)) return;
  // Past its wrong passwords the account is locked for a while, the right password included.
  GuessSlot guess(loginFailures_, user.id, addressFailures_, req.remote_addr);
  if (!guess.allowed()) return reply(res, Result::LoginLocked);
  if (!verifyPassword(user.pwhash, password)) {
    guess.wrong();
    return reply(res, Result::WrongPassword);
  }

  const std::string token = newToken();
  const std::int64_t t = now();
  if (store_.addToken(user.id, secretDigest(token), t + options_.tokenTtlSeconds, t, options_.tokensPerAccount) !=
      AccountStore::Status::Ok) {
    return reply(res, Result::InternalError);
  }
  // The client looks for this exact header name, case and all.
  res.set_header("Authorization", token);
  reply(res, Result::Ok, json{{"nickname", user.nickname}}, "登录成功");
}

void AccountServer::onLogout(const Request& req, Response& res, const ContentReader& reader) {
  // The body is not looked at: the token in the header is what ends.
  std::string body;
  if (!readBody(req, res, reader, kMaxJsonBodyBytes, Result::BodyTooLarge, body)) return;
  AccountStore::User user;
  const std::string token = req.get_header_value("Authorization");
  if (!authenticate(token, user, res)) return;
  if (store_.removeToken(secretDigest(token)) == AccountStore::Status::Error) return reply(res, Result::InternalError);
  reply(res, Result::Ok, json::object(), "已退出登录");
}

void AccountServer::onUpdatePassword(const Request& req, Response& res, const json& body) {
  const std::string token = req.get_header_value("Authorization");
  AccountStore::User user;
  if (!authenticate(token, user, res)) return;
  // The old password travels in "password", the new one in "rePassword".
  std::string email, oldPassword, newPassword;
  if (!requireStrings(body, res, {{"email", &email}, {"password", &oldPassword},
                                  {"rePassword", &newPassword}})) {
    return;
  }
  if (strcasecmp(email.c_str(), user.email.c_str()) != 0) return reply(res, Result::NotYourAccount);
  // The old password is guessed here as at a login, and counts the same.
  GuessSlot guess(loginFailures_, user.id, addressFailures_, req.remote_addr);
  if (!guess.allowed()) return reply(res, Result::LoginLocked);
  if (!verifyPassword(user.pwhash, oldPassword)) {
    guess.wrong();
    return reply(res, Result::WrongPassword);
  }
  if (!validPassword(newPassword)) return reply(res, Result::BadPassword);
  const std::string hash = hashPassword(newPassword, cost_);
  if (hash.empty()) return reply(res, Result::InternalError);
  // The computer that changed the password stays logged in; every other one is logged out.
  if (store_.changePassword(user.id, hash, secretDigest(token)) != AccountStore::Status::Ok) {
    return reply(res, Result::InternalError);
  }
  logLine("password changed for account " + std::to_string(user.id));
  reply(res, Result::Ok, json::object(), "密码修改成功");
}

void AccountServer::onFindPassword(const Request&, Response& res, const json& body) {
  std::string email;
  if (!requireStrings(body, res, {{"email", &email}})) return;
  AccountStore::User user;
  if (!findAccount(email, user, res)) return;
  // A new code starts its own count of five tries, so the codes of an account are few an hour;
  // the code sent last stays valid.
  const std::string account = std::to_string(user.id);
  if (!codeRequests_.take(account)) return reply(res, Result::TooManyCodeRequests);
  const std::string code = newVerificationCode();
  if (store_.setCode(user.id, secretDigest(code), now() + options_.codeTtlSeconds) !=
      AccountStore::Status::Ok) {
    codeRequests_.giveBack(account);
    return reply(res, Result::InternalError);
  }
  // This server sends no mail: the log is the mailbox.
  logLine("verification code for <" + user.email + ">: " + code + " (valid " +
          std::to_string(options_.codeTtlSeconds) + " s)");
  reply(res, Result::Ok, json::object(), "验证码已发送，请查收邮件");
}

void AccountServer::onValidatePassword(const Request& req, Response& res, const json& body) {
  std::string email, captcha;
  if (!requireStrings(body, res, {{"email", &email}, {"captcha", &captcha}})) return;
  AccountStore::User user;
  if (!findAccount(email, user, res)) return;
  GuessSlot guess(codeFailures_, user.id, addressFailures_, req.remote_addr);
  if (!guess.allowed()) return reply(res, Result::TooManyWrongCodes);
  const AccountStore::CodeCheck check = store_.checkCode(user.id, secretDigest(captcha), now());
  if (check == AccountStore::CodeCheck::Wrong || check == AccountStore::CodeCheck::TooManyAttempts) guess.wrong();
  replyCodeCheck(res, check, "验证成功");
}

void AccountServer::onNewPassword(const Request& req, Response& res, const json& body) {
  std::string email, captcha, password;
  if (!requireStrings(body, res, {{"email", &email}, {"captcha", &captcha}, {"password", &password}})) {
    return;
  }
  AccountStore::User user;
  if (!findAccount(email, user, res)) return;
  // A password we would refuse must not use up the code.
  if (!validPassword(password)) return reply(res, Result::BadPassword);
  GuessSlot guess(codeFailures_, user.id, addressFailures_, req.remote_addr);
  if (!guess.allowed()) return reply(res, Result::TooManyWrongCodes);
  const std::string hash = hashPassword(password, cost_);
  if (hash.empty()) return reply(res, Result::InternalError);
  const AccountStore::CodeCheck check = store_.resetPassword(user.id, secretDigest(captcha), now(), hash);
  if (check == AccountStore::CodeCheck::Wrong || check == AccountStore::CodeCheck::TooManyAttempts) guess.wrong();
  if (check == AccountStore::CodeCheck::Ok) {
    logLine("password reset by code for account " + std::to_string(user.id));
  }
  replyCodeCheck(res, check, "密码已重置，请重新登录");
}

}  // namespace zr540
