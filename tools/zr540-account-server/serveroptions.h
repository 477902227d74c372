// Command line of zr540-account-server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zr540 {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 8540;            // 0: the system picks a free port, printed on standard output
  std::string dataDir;        // database and stored archives; required
  std::string publicUrl;      // base of the download addresses handed out; empty: http://host:port
  std::string softwareVersion;
  std::string softwareUrl;
  std::string firmwareVersion;  // a decimal number: the client compares it with the mouse's
  std::string firmwareFile;
  int threads = 16;
  unsigned long long pwhashOps = 0;  // 0: libsodium's interactive limits
  std::size_t pwhashMem = 0;
  std::int64_t tokenTtlSeconds = 30LL * 24 * 3600;
  std::int64_t codeTtlSeconds = 600;
};

struct OptionsParse {
  bool ok = false;
  bool helpAsked = false;
  std::string error;  // why the command line was refused
};

OptionsParse parseServerOptions(const std::vector<std::string>& args, ServerOptions& out);

const char* serverUsage();

}  // namespace zr540
