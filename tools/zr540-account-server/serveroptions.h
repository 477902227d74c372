// Command line of zr540-account-server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zr540 {

// At most `count` events within `seconds`; given on the command line as N/SECONDS.
struct RateLimit {
  int count = 0;
  std::int64_t seconds = 0;
};

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
  // guesses and codes
  RateLimit codeRequests{5, 3600};       // verification codes sent for one account
  RateLimit codeFailures{10, 3600};      // wrong codes for one account, whatever the code
  RateLimit loginFailures{10, 900};      // wrong passwords for one account
  RateLimit addressFailures{30, 3600};   // wrong codes and passwords from one client address
  RateLimit registrations{10, 3600};     // accounts registered from one client address
  // slow clients
  int headTimeoutSeconds = 10;           // a request head, from the connection's opening
  int bodyTimeoutSeconds = 30;           // its body, after the head
  int connectionsPerAddress = 8;         // open connections of one client address
  // storage
  std::int64_t userStorageBytes = 80LL * 1024 * 1024;  // the archives of one user
  int configTypes = 4;                   // save records of one user (the utility makes two)
  std::int64_t maxStorageBytes = 4LL * 1024 * 1024 * 1024;  // the archives of all users
  int tokensPerAccount = 10;             // live login tokens of one account; the oldest go first
};

struct OptionsParse {
  bool ok = false;
  bool helpAsked = false;
  std::string error;  // why the command line was refused
};

OptionsParse parseServerOptions(const std::vector<std::string>& args, ServerOptions& out);

const char* serverUsage();

}  // namespace zr540
