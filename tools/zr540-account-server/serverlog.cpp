#include "serverlog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace zr540 {

namespace {
std::mutex logMutex;
}

void logLine(const std::string& text) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&secs, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);

  std::lock_guard<std::mutex> lock(logMutex);
  std::fprintf(stderr, "%s.%03dZ %s\n", stamp, static_cast<int>(millis), text.c_str());
  std::fflush(stderr);
}

}  // namespace zr540
