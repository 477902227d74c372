// The server's log: one line per event on standard error, with a UTC time stamp, written whole
// under a lock so lines of concurrent requests never interleave. Passwords and tokens are never
// logged; verification codes are, because the log stands in for the e-mail that carries them.
#pragma once

#include <string>

namespace zr540 {

void logLine(const std::string& text);

}  // namespace zr540
