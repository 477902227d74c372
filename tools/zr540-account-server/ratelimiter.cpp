#include "ratelimiter.h"

namespace zr540 {

namespace {
// Keys whose events have all left the window are dropped after this many counted events.
constexpr std::size_t kSweepEvery = 4096;
}

RateLimiter::RateLimiter(int limit, std::int64_t windowSeconds)
    : limit_(static_cast<std::size_t>(limit)), window_(std::chrono::seconds(windowSeconds)) {}

void RateLimiter::forgetOld(std::deque<Clock::time_point>& events, Clock::time_point now) const {
  while (!events.empty() && now - events.front() >= window_) events.pop_front();
}

bool RateLimiter::take(const std::string& key) {
  const Clock::time_point now = Clock::now();
  std::lock_guard<std::mutex> lock(mutex_);
  if (++takesSinceSweep_ >= kSweepEvery) {
    takesSinceSweep_ = 0;
    for (auto it = events_.begin(); it != events_.end();) {
      forgetOld(it->second, now);
      it = it->second.empty() ? events_.erase(it) : std::next(it);
    }
  }
  std::deque<Clock::time_point>& events = events_[key];
  forgetOld(events, now);
  if (events.size() >= limit_) return false;
  events.push_back(now);
  return true;
}

void RateLimiter::giveBack(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = events_.find(key);
  if (it == events_.end() || it->second.empty()) return;
  it->second.pop_back();
  if (it->second.empty()) events_.erase(it);
}

GuessSlot::GuessSlot(RateLimiter& perAccount, std::int64_t userId, RateLimiter& perAddress,
                     const std::string& address)
    : perAccount_(perAccount), perAddress_(perAddress), accountKey_(std::to_string(userId)),
      addressKey_(address) {
  accountTaken_ = perAccount_.take(accountKey_);
  if (accountTaken_) addressTaken_ = perAddress_.take(addressKey_);
}

GuessSlot::~GuessSlot() {
  if (kept_ && allowed()) return;
  if (accountTaken_) perAccount_.giveBack(accountKey_);
  if (addressTaken_) perAddress_.giveBack(addressKey_);
}

}  // namespace zr540
