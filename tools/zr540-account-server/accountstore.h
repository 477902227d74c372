// The account database (SQLite): users, login tokens, pending verification codes, uploaded
// archives and the two save records of each user. One connection, one lock: every operation is
// short, and the slow part of a request (password hashing) happens outside it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace zr540 {

class AccountStore {
 public:
  enum class Status { Ok, NotFound, Conflict, OverLimit, ServerFull, Error };
  enum class CodeCheck { Ok, Wrong, Expired, TooManyAttempts, Error };

  struct User {
    std::int64_t id = 0;
    std::string email;
    std::string nickname;
    std::string pwhash;
  };

  // Wrong tries after which a verification code is void.
  static constexpr int kMaxCodeAttempts = 5;

  AccountStore() = default;
  ~AccountStore();
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;

  bool open(const std::string& path, std::string& error);

  Status addUser(const std::string& email, const std::string& nickname, const std::string& pwhash,
                 std::int64_t now, std::int64_t& id);
  Status userByEmail(const std::string& email, User& user);
  Status userByToken(const std::string& tokenDigest, std::int64_t now, User& user);

  // Adds a token; of the user's live tokens the newest `maxTokens` stay, older ones are revoked.
  Status addToken(std::int64_t userId, const std::string& tokenDigest, std::int64_t expires,
                  std::int64_t now, int maxTokens);
  // Revokes one token; NotFound when it was not there.
  Status removeToken(const std::string& tokenDigest);
  // A password change: the new hash, and every other token of the user dropped.
  Status changePassword(std::int64_t userId, const std::string& pwhash,
                        const std::string& keepTokenDigest);

  // A new code replaces any earlier one of the user.
  Status setCode(std::int64_t userId, const std::string& codeDigest, std::int64_t expires);
  CodeCheck checkCode(std::int64_t userId, const std::string& codeDigest, std::int64_t now);
  // Checks and uses up the code, sets the new hash and logs the user out everywhere, in one
  // transaction: a code works once.
  CodeCheck resetPassword(std::int64_t userId, const std::string& codeDigest, std::int64_t now,
                          const std::string& pwhash);

  // Records an upload unless it does not fit beside the user's recorded archives within
  // `maxBytes` (OverLimit). Room is made by forgetting the user's oldest uploads that no save
  // record names, and of those the newest `keepLoose` stay at most; their names come back in
  // `dropped` so that the caller deletes the files. So a user never holds more than `maxBytes`.
  // ServerFull (and nothing changed) when all users' archives would then exceed `maxTotal`.
  Status addUpload(std::int64_t userId, const std::string& name, const std::string& clientName,
                   std::int64_t size, std::int64_t now, std::int64_t maxBytes, int keepLoose,
                   std::int64_t maxTotal, std::vector<std::string>& dropped);
  // The owner of a stored archive; NotFound for a name nobody uploaded.
  Status uploadOwner(const std::string& name, std::int64_t& userId, std::string& clientName);

  // Saves or replaces the record of `kind` and `configType`; a record beyond the user's
  // `maxRecords` is OverLimit. The archive a replaced record named is forgotten unless another
  // record names it, and its name comes back in `freed` (else empty) for the caller to delete.
  Status saveRecord(std::int64_t userId, const std::string& kind, const std::string& configType,
                    const std::string& fileName, const std::string& content, std::int64_t now,
                    int maxRecords, std::string& freed);
  Status findRecord(std::int64_t userId, const std::string& kind, const std::string& configType,
                    std::string& fileName);

 private:
  CodeCheck checkCodeLocked(std::int64_t userId, const std::string& codeDigest, std::int64_t now);
  bool exec(const char* sql);

  sqlite3* db_ = nullptr;
  std::mutex mutex_;
};

}  // namespace zr540
