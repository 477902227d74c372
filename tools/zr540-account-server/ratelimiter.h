// Counts of events per key (an account, a client address) over a sliding window: the guesses at
// passwords and verification codes, and the codes sent. Kept in memory; only a restart, which
// only the operator can cause, forgets them.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zr540 {

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  RateLimiter(int limit, std::int64_t windowSeconds);

  // Counts one event of `key`, unless `key` has had `limit` of them within the window: false then,
  // and nothing is counted.
  bool take(const std::string& key);
  // Forgets the newest event of `key` (a guess that turned out right, a code that was not sent).
  void giveBack(const std::string& key);

 private:
  void forgetOld(std::deque<Clock::time_point>& events, Clock::time_point now) const;

  const std::size_t limit_;
  const Clock::duration window_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> events_;
  std::size_t takesSinceSweep_ = 0;
};

// A guess at a secret of an account (its password or its verification code) from a client
// address. It takes its place in both counts of wrong guesses before the secret is checked, so
// that guesses sent at once cannot slip past the limit together; a right guess gives the places
// back, a wrong one keeps them.
class GuessSlot {
 public:
  GuessSlot(RateLimiter& perAccount, std::int64_t userId, RateLimiter& perAddress, const std::string& address);
  ~GuessSlot();
  GuessSlot(const GuessSlot&) = delete;
  GuessSlot& operator=(const GuessSlot&) = delete;

  // False when the account or the address has had its wrong guesses: refuse without checking.
  bool allowed() const { return accountTaken_ && addressTaken_; }
  // The guess was wrong: it counts.
  void wrong() { kept_ = true; }

 private:
  RateLimiter& perAccount_;
  RateLimiter& perAddress_;
  std::string accountKey_;
  std::string addressKey_;
  bool accountTaken_ = false;
  bool addressTaken_ = false;
  bool kept_ = false;
};

}  // namespace zr540
