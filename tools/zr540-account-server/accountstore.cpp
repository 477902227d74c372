#include "accountstore.h"

#include <sqlite3.h>

#include "serverlog.h"

namespace zr540 {

namespace {

// One prepared statement, finalized on every path.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
      logLine(std::string("database: cannot prepare statement: ") + sqlite3_errmsg(db));
      stmt_ = nullptr;
    }
  }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Stmt& bind(int i, std::int64_t v) {
    if (stmt_) sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Stmt& bind(int i, const std::string& v) {
    if (stmt_) sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE, or an error code (logged).
  int step() {
    if (!stmt_) return SQLITE_ERROR;
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_CONSTRAINT) {
      logLine(std::string("database: ") + sqlite3_errmsg(db_));
    }
    return rc;
  }
  std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string text(int col) const {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    const int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n))
             : std::string();
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {
    ok_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~Transaction() {
    if (ok_ && !done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  bool ok() const { return ok_; }
  bool commit() {
    done_ = true;
    return ok_ && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  }

 private:
  sqlite3* db_;
  bool ok_ = false;
  bool done_ = false;
};

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS users("
    "  id INTEGER PRIMARY KEY,"
    "  email TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    "  nickname TEXT NOT NULL,"
    "  pwhash TEXT NOT NULL,"
    "  created INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS tokens("
    "  digest TEXT PRIMARY KEY,"
    "  user_id INTEGER NOT NULL REFERENCES users(id),"
    "  expires INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS tokens_user ON tokens(user_id);"
    "CREATE TABLE IF NOT EXISTS codes("
    "  user_id INTEGER PRIMARY KEY REFERENCES users(id),"
    "  digest TEXT NOT NULL,"
    "  expires INTEGER NOT NULL,"
    "  attempts INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS uploads("
    "  name TEXT PRIMARY KEY,"
    "  user_id INTEGER NOT NULL REFERENCES users(id),"
    "  client_name TEXT NOT NULL,"
    "  size INTEGER NOT NULL,"
    "  created INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS uploads_user ON uploads(user_id);"
    "CREATE TABLE IF NOT EXISTS records("
    "  user_id INTEGER NOT NULL REFERENCES users(id),"
    "  kind TEXT NOT NULL,"
    "  config_type TEXT NOT NULL,"
    "  file_name TEXT NOT NULL REFERENCES uploads(name),"
    "  content TEXT NOT NULL,"
    "  saved INTEGER NOT NULL,"
    "  PRIMARY KEY(user_id, kind, config_type));";

}  // namespace

AccountStore::~AccountStore() {
  if (db_) sqlite3_close(db_);
}

bool AccountStore::exec(const char* sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
    logLine(std::string("database: ") + (msg ? msg : "error"));
    sqlite3_free(msg);
    return false;
  }
  return true;
}

bool AccountStore::open(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    error = db_ ? sqlite3_errmsg(db_) : "out of memory";
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_busy_timeout(db_, 5000);
  // WAL with FULL sync: a reply of success means the change is on disk.
  if (!exec("PRAGMA journal_mode=WAL;") || !exec("PRAGMA synchronous=FULL;") ||
      !exec("PRAGMA foreign_keys=ON;") || !exec(kSchema)) {
    error = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  return true;
}

AccountStore::Status AccountStore::addUser(const std::string& email, const std::string& nickname,
                                           const std::string& pwhash, std::int64_t now,
                                           std::int64_t& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_, "INSERT INTO users(email, nickname, pwhash, created) VALUES(?1, ?2, ?3, ?4)");
  s.bind(1, email).bind(2, nickname).bind(3, pwhash).bind(4, now);
  const int rc = s.step();
  if (rc == SQLITE_CONSTRAINT) return Status::Conflict;
  if (rc != SQLITE_DONE) return Status::Error;
  id = sqlite3_last_insert_rowid(db_);
  return Status::Ok;
}

AccountStore::Status AccountStore::userByEmail(const std::string& email, User& user) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_, "SELECT id, email, nickname, pwhash FROM users WHERE email = ?1");
  s.bind(1, email);
  const int rc = s.step();
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Status::Error;
  user = User{s.integer(0), s.text(1), s.text(2), s.text(3)};
  return Status::Ok;
}

AccountStore::Status AccountStore::userByToken(const std::string& tokenDigest, std::int64_t now,
                                               User& user) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_,
         "SELECT u.id, u.email, u.nickname, u.pwhash FROM tokens t JOIN users u ON u.id = t.user_id"
         " WHERE t.digest = ?1 AND t.expires > ?2");
  s.bind(1, tokenDigest).bind(2, now);
  const int rc = s.step();
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Status::Error;
  user = User{s.integer(0), s.text(1), s.text(2), s.text(3)};
  return Status::Ok;
}

AccountStore::Status AccountStore::addToken(std::int64_t userId, const std::string& tokenDigest,
                                            std::int64_t expires, std::int64_t now, int maxTokens) {
  std::lock_guard<std::mutex> lock(mutex_);
  Transaction tx(db_);
  if (!tx.ok()) return Status::Error;
  Stmt purge(db_, "DELETE FROM tokens WHERE user_id = ?1 AND expires <= ?2");
  purge.bind(1, userId).bind(2, now);
  if (purge.step() != SQLITE_DONE) return Status::Error;
  Stmt s(db_, "INSERT INTO tokens(digest, user_id, expires) VALUES(?1, ?2, ?3)");
  s.bind(1, tokenDigest).bind(2, userId).bind(3, expires);
  if (s.step() != SQLITE_DONE) return Status::Error;
  Stmt old(db_,
           "DELETE FROM tokens WHERE user_id = ?1 AND rowid NOT IN"
           " (SELECT rowid FROM tokens WHERE user_id = ?1 ORDER BY expires DESC, rowid DESC LIMIT ?2)");
  old.bind(1, userId).bind(2, static_cast<std::int64_t>(maxTokens));
  if (old.step() != SQLITE_DONE) return Status::Error;
  return tx.commit() ? Status::Ok : Status::Error;
}

AccountStore::Status AccountStore::removeToken(const std::string& tokenDigest) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_, "DELETE FROM tokens WHERE digest = ?1");
  s.bind(1, tokenDigest);
  if (s.step() != SQLITE_DONE) return Status::Error;
  return sqlite3_changes(db_) > 0 ? Status::Ok : Status::NotFound;
}

AccountStore::Status AccountStore::changePassword(std::int64_t userId, const std::string& pwhash,
                                                  const std::string& keepTokenDigest) {
  std::lock_guard<std::mutex> lock(mutex_);
  Transaction tx(db_);
  if (!tx.ok()) return Status::Error;
  Stmt u(db_, "UPDATE users SET pwhash = ?1 WHERE id = ?2");
  u.bind(1, pwhash).bind(2, userId);
  if (u.step() != SQLITE_DONE) return Status::Error;
  Stmt t(db_, "DELETE FROM tokens WHERE user_id = ?1 AND digest <> ?2");
  t.bind(1, userId).bind(2, keepTokenDigest);
  if (t.step() != SQLITE_DONE) return Status::Error;
  return tx.commit() ? Status::Ok : Status::Error;
}

AccountStore::Status AccountStore::setCode(std::int64_t userId, const std::string& codeDigest,
                                           std::int64_t expires) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_,
         "INSERT INTO codes(user_id, digest, expires, attempts) VALUES(?1, ?2, ?3, 0)"
         " ON CONFLICT(user_id) DO UPDATE SET digest = excluded.digest,"
         " expires = excluded.expires, attempts = 0");
  s.bind(1, userId).bind(2, codeDigest).bind(3, expires);
  return s.step() == SQLITE_DONE ? Status::Ok : Status::Error;
}

AccountStore::CodeCheck AccountStore::checkCodeLocked(std::int64_t userId,
                                                      const std::string& codeDigest,
                                                      std::int64_t now) {
  Stmt s(db_, "SELECT digest, expires, attempts FROM codes WHERE user_id = ?1");
  s.bind(1, userId);
  const int rc = s.step();
  if (rc == SQLITE_DONE) return CodeCheck::Expired;
  if (rc != SQLITE_ROW) return CodeCheck::Error;
  const std::string digest = s.text(0);
  const std::int64_t expires = s.integer(1);
  const std::int64_t attempts = s.integer(2);
  if (expires <= now || attempts >= kMaxCodeAttempts) {
    Stmt d(db_, "DELETE FROM codes WHERE user_id = ?1");
    d.bind(1, userId);
    if (d.step() != SQLITE_DONE) return CodeCheck::Error;
    return CodeCheck::Expired;
  }
  if (codeDigest.size() == digest.size() && codeDigest == digest) return CodeCheck::Ok;
  if (attempts + 1 >= kMaxCodeAttempts) {
    Stmt d(db_, "DELETE FROM codes WHERE user_id = ?1");
    d.bind(1, userId);
    if (d.step() != SQLITE_DONE) return CodeCheck::Error;
    return CodeCheck::TooManyAttempts;
  }
  Stmt up(db_, "UPDATE codes SET attempts = attempts + 1 WHERE user_id = ?1");
  up.bind(1, userId);
  if (up.step() != SQLITE_DONE) return CodeCheck::Error;
  return CodeCheck::Wrong;
}

AccountStore::CodeCheck AccountStore::checkCode(std::int64_t userId, const std::string& codeDigest,
                                                std::int64_t now) {
  std::lock_guard<std::mutex> lock(mutex_);
  Transaction tx(db_);
  if (!tx.ok()) return CodeCheck::Error;
  const CodeCheck c = checkCodeLocked(userId, codeDigest, now);
  if (c == CodeCheck::Error) return c;
  return tx.commit() ? c : CodeCheck::Error;
}

AccountStore::CodeCheck AccountStore::resetPassword(std::int64_t userId,
                                                    const std::string& codeDigest,
                                                    std::int64_t now, const std::string& pwhash) {
  std::lock_guard<std::mutex> lock(mutex_);
  Transaction tx(db_);
  if (!tx.ok()) return CodeCheck::Error;
  const CodeCheck c = checkCodeLocked(userId, codeDigest, now);
  if (c == CodeCheck::Error) return c;
  if (c == CodeCheck::Ok) {
    Stmt d(db_, "DELETE FROM codes WHERE user_id = ?1");
    d.bind(1, userId);
    Stmt u(db_, "UPDATE users SET pwhash = ?1 WHERE id = ?2");
    u.bind(1, pwhash).bind(2, userId);
    Stmt t(db_, "DELETE FROM tokens WHERE user_id = ?1");
    t.bind(1, userId);
    if (d.step() != SQLITE_DONE || u.step() != SQLITE_DONE || t.step() != SQLITE_DONE) {
      return CodeCheck::Error;
    }
  }
  return tx.commit() ? c : CodeCheck::Error;
}

AccountStore::Status AccountStore::addUpload(std::int64_t userId, const std::string& name,
                                             const std::string& clientName, std::int64_t size,
                                             std::int64_t now, std::int64_t maxBytes, int keepLoose,
                                             std::int64_t maxTotal, std::vector<std::string>& dropped) {
  std::lock_guard<std::mutex> lock(mutex_);
  dropped.clear();
  Transaction tx(db_);
  if (!tx.ok()) return Status::Error;
  std::int64_t used = 0;  // by the archives that save records name
  {
    Stmt s(db_,
           "SELECT COALESCE(SUM(size), 0) FROM uploads WHERE user_id = ?1"
           " AND name IN (SELECT file_name FROM records WHERE user_id = ?1)");
    s.bind(1, userId);
    if (s.step() != SQLITE_ROW) return Status::Error;
    used = s.integer(0);
  }
  if (used + size > maxBytes) return Status::OverLimit;
  {
    Stmt s(db_,
           "INSERT INTO uploads(name, user_id, client_name, size, created) VALUES(?1, ?2, ?3, ?4, ?5)");
    s.bind(1, name).bind(2, userId).bind(3, clientName).bind(4, size).bind(5, now);
    const int rc = s.step();
    if (rc == SQLITE_CONSTRAINT) return Status::Conflict;
    if (rc != SQLITE_DONE) return Status::Error;
  }
  {
    // Newest first, this one among them: those that fit stay, from the first that does not on
    // every older one goes.
    Stmt s(db_,
           "SELECT name, size FROM uploads WHERE user_id = ?1"
           " AND name NOT IN (SELECT file_name FROM records WHERE user_id = ?1)"
           " ORDER BY created DESC, rowid DESC");
    s.bind(1, userId);
    int kept = 0;
    bool full = false;
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
      full = full || kept >= keepLoose || used + s.integer(1) > maxBytes;
      if (full) {
        dropped.push_back(s.text(0));
      } else {
        ++kept;
        used += s.integer(1);
      }
    }
    if (rc != SQLITE_DONE) return Status::Error;
  }
  for (const std::string& old : dropped) {
    Stmt d(db_, "DELETE FROM uploads WHERE name = ?1");
    d.bind(1, old);
    if (d.step() != SQLITE_DONE) return Status::Error;
  }
  {
    // All users together, this upload in and the dropped ones out; over the cap, the rollback
    // keeps the dropped ones too.
    Stmt s(db_, "SELECT COALESCE(SUM(size), 0) FROM uploads");
    if (s.step() != SQLITE_ROW) return Status::Error;
    if (s.integer(0) > maxTotal) {
      dropped.clear();
      return Status::ServerFull;
    }
  }
  if (!tx.commit()) {
    dropped.clear();
    return Status::Error;
  }
  return Status::Ok;
}

AccountStore::Status AccountStore::uploadOwner(const std::string& name, std::int64_t& userId,
                                               std::string& clientName) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_, "SELECT user_id, client_name FROM uploads WHERE name = ?1");
  s.bind(1, name);
  const int rc = s.step();
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Status::Error;
  userId = s.integer(0);
  clientName = s.text(1);
  return Status::Ok;
}

AccountStore::Status AccountStore::saveRecord(std::int64_t userId, const std::string& kind,
                                              const std::string& configType,
                                              const std::string& fileName,
                                              const std::string& content, std::int64_t now,
                                              int maxRecords, std::string& freed) {
  std::lock_guard<std::mutex> lock(mutex_);
  freed.clear();
  Transaction tx(db_);
  if (!tx.ok()) return Status::Error;
  {
    // Only the user's own uploads can be recorded.
    Stmt own(db_, "SELECT 1 FROM uploads WHERE name = ?1 AND user_id = ?2");
    own.bind(1, fileName).bind(2, userId);
    const int rc = own.step();
    if (rc == SQLITE_DONE) return Status::NotFound;
    if (rc != SQLITE_ROW) return Status::Error;
  }
  std::string replaced;
  {
    Stmt old(db_, "SELECT file_name FROM records WHERE user_id = ?1 AND kind = ?2 AND config_type = ?3");
    old.bind(1, userId).bind(2, kind).bind(3, configType);
    const int rc = old.step();
    if (rc == SQLITE_ROW) {
      replaced = old.text(0);
    } else if (rc != SQLITE_DONE) {
      return Status::Error;
    } else {
      Stmt count(db_, "SELECT COUNT(*) FROM records WHERE user_id = ?1");
      count.bind(1, userId);
      if (count.step() != SQLITE_ROW) return Status::Error;
      if (count.integer(0) >= maxRecords) return Status::OverLimit;
    }
  }
  {
    Stmt s(db_,
           "INSERT INTO records(user_id, kind, config_type, file_name, content, saved)"
           " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(user_id, kind, config_type) DO UPDATE SET"
           " file_name = excluded.file_name, content = excluded.content, saved = excluded.saved");
    s.bind(1, userId).bind(2, kind).bind(3, configType).bind(4, fileName).bind(5, content).bind(6, now);
    if (s.step() != SQLITE_DONE) return Status::Error;
  }
  if (!replaced.empty() && replaced != fileName) {
    Stmt named(db_, "SELECT 1 FROM records WHERE file_name = ?1");
    named.bind(1, replaced);
    const int rc = named.step();
    if (rc == SQLITE_DONE) {
      Stmt d(db_, "DELETE FROM uploads WHERE name = ?1");
      d.bind(1, replaced);
      if (d.step() != SQLITE_DONE) return Status::Error;
      freed = replaced;
    } else if (rc != SQLITE_ROW) {
      return Status::Error;
    }
  }
  if (!tx.commit()) {
    freed.clear();
    return Status::Error;
  }
  return Status::Ok;
}

AccountStore::Status AccountStore::findRecord(std::int64_t userId, const std::string& kind,
                                              const std::string& configType,
                                              std::string& fileName) {
  std::lock_guard<std::mutex> lock(mutex_);
  Stmt s(db_,
         "SELECT file_name FROM records WHERE user_id = ?1 AND kind = ?2 AND config_type = ?3");
  s.bind(1, userId).bind(2, kind).bind(3, configType);
  const int rc = s.step();
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Status::Error;
  fileName = s.text(0);
  return Status::Ok;
}

}  // namespace zr540
