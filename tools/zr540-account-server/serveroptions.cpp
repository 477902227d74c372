#include "serveroptions.h"

#include <sodium.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace zr540 {

namespace {

// Whole-string decimal number within [lo, hi]; no sign, no spaces, no trailing junk.
bool parseNumber(const std::string& text, unsigned long long lo, unsigned long long hi,
                 unsigned long long& out) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

// N/SECONDS, each a whole decimal number.
bool parseRateLimit(const std::string& text, RateLimit& out) {
  const std::size_t slash = text.find('/');
  unsigned long long count = 0, seconds = 0;
  if (slash == std::string::npos || !parseNumber(text.substr(0, slash), 1, 1000000, count) ||
      !parseNumber(text.substr(slash + 1), 1, 7 * 24 * 3600, seconds)) {
    return false;
  }
  out.count = static_cast<int>(count);
  out.seconds = static_cast<std::int64_t>(seconds);
  return true;
}

bool hasControlChars(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) return true;
  }
  return false;
}

}  // namespace

const char* serverUsage() {
  return "usage: zr540-account-server --data DIR [options]\n"
         "  --data DIR               folder of the database and the stored archives (created)\n"
         "  --host ADDR              address to listen on (default 127.0.0.1)\n"
         "  --port N                 port (default 8540; 0 picks a free one and prints it)\n"
         "  --public-url URL         base of the download addresses (default http://HOST:PORT)\n"
         "  --software-version V     newest version of the utility, e.g. 1.0.0.3\n"
         "  --software-url URL       where that version is downloaded (a web address)\n"
         "  --firmware-version N     newest firmware version, a decimal number\n"
         "  --firmware-file PATH     firmware file served at /v1/driver/firmware/download\n"
         "  --threads N              request threads (default 16)\n"
         "  --pwhash-ops N           Argon2id passes for new password hashes (default: interactive)\n"
         "  --pwhash-mem BYTES       Argon2id memory for new password hashes (default: interactive)\n"
         "  --token-ttl SECONDS      lifetime of a login token (default 2592000, 30 days)\n"
         "  --code-ttl SECONDS       lifetime of a verification code (default 600)\n"
         "  --code-requests N/SECONDS   codes sent for one account (default 5/3600)\n"
         "  --code-failures N/SECONDS   wrong codes for one account, any code (default 10/3600)\n"
         "  --login-failures N/SECONDS  wrong passwords for one account (default 10/900)\n"
         "  --address-failures N/SECONDS  wrong codes and passwords from one address (default 30/3600)\n"
         "  --registrations N/SECONDS  accounts registered from one address (default 10/3600)\n"
         "  --tokens-per-account N   live login tokens of one account, the oldest revoked first (default 10)\n"
         "  --head-timeout SECONDS   time for a request head to arrive (default 10)\n"
         "  --body-timeout SECONDS   time for a request body to arrive after its head (default 30)\n"
         "  --connections-per-address N  open connections of one client address (default 8)\n"
         "  --user-storage BYTES     archives one user keeps, in bytes (default 83886080, 80 MiB)\n"
         "  --config-types N         save records one user keeps (default 4)\n"
         "  --max-storage BYTES      archives of all users together (default 4294967296, 4 GiB)\n"
         "  --help                   this text\n";
}

OptionsParse parseServerOptions(const std::vector<std::string>& args, ServerOptions& out) {
  OptionsParse r;
  ServerOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      r.helpAsked = true;
      r.ok = true;
      return r;
    }
    if (name.rfind("--", 0) != 0) {
      r.error = "unexpected argument: " + name;
      return r;
    }
    if (i + 1 >= args.size()) {
      r.error = name + " needs a value";
      return r;
    }
    const std::string& value = args[++i];
    unsigned long long n = 0;
    if (name == "--host") {
      if (value.empty()) { r.error = "--host is empty"; return r; }
      o.host = value;
    } else if (name == "--port") {
      if (!parseNumber(value, 0, 65535, n)) { r.error = "--port must be 0 to 65535"; return r; }
      o.port = static_cast<int>(n);
    } else if (name == "--data") {
      if (value.empty()) { r.error = "--data is empty"; return r; }
      o.dataDir = value;
    } else if (name == "--public-url") {
      if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0) {
        r.error = "--public-url must start with http:// or https://";
        return r;
      }
      o.publicUrl = value;
      while (!o.publicUrl.empty() && o.publicUrl.back() == '/') o.publicUrl.pop_back();
    } else if (name == "--software-version") {
      if (value.empty() || hasControlChars(value)) { r.error = "--software-version is not a version"; return r; }
      o.softwareVersion = value;
    } else if (name == "--software-url") {
      if (value.empty() || hasControlChars(value)) { r.error = "--software-url is not an address"; return r; }
      o.softwareUrl = value;
    } else if (name == "--firmware-version") {
      if (!parseNumber(value, 0, std::numeric_limits<int>::max(), n)) {
        r.error = "--firmware-version must be a decimal number";
        return r;
      }
      o.firmwareVersion = std::to_string(n);
    } else if (name == "--firmware-file") {
      struct stat st {};
      if (::stat(value.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        r.error = "--firmware-file is not a readable file: " + value;
        return r;
      }
      o.firmwareFile = value;
    } else if (name == "--threads") {
      if (!parseNumber(value, 1, 256, n)) { r.error = "--threads must be 1 to 256"; return r; }
      o.threads = static_cast<int>(n);
    } else if (name == "--pwhash-ops") {
      if (!parseNumber(value, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_OPSLIMIT_SENSITIVE * 4, n)) {
        r.error = "--pwhash-ops is out of range";
        return r;
      }
      o.pwhashOps = n;
    } else if (name == "--pwhash-mem") {
      if (!parseNumber(value, crypto_pwhash_MEMLIMIT_MIN, crypto_pwhash_MEMLIMIT_SENSITIVE, n)) {
        r.error = "--pwhash-mem is out of range (8192 to 1073741824)";
        return r;
      }
      o.pwhashMem = static_cast<std::size_t>(n);
    } else if (name == "--token-ttl") {
      if (!parseNumber(value, 1, 10LL * 365 * 24 * 3600, n)) { r.error = "--token-ttl is out of range"; return r; }
      o.tokenTtlSeconds = static_cast<std::int64_t>(n);
    } else if (name == "--code-ttl") {
      if (!parseNumber(value, 1, 7 * 24 * 3600, n)) { r.error = "--code-ttl is out of range"; return r; }
      o.codeTtlSeconds = static_cast<std::int64_t>(n);
    } else if (name == "--code-requests" || name == "--code-failures" || name == "--login-failures" ||
               name == "--address-failures" || name == "--registrations") {
      RateLimit& limit = name == "--code-requests"    ? o.codeRequests
                         : name == "--code-failures"  ? o.codeFailures
                         : name == "--login-failures" ? o.loginFailures
                         : name == "--registrations"  ? o.registrations
                                                      : o.addressFailures;
      if (!parseRateLimit(value, limit)) { r.error = name + " must be N/SECONDS"; return r; }
    } else if (name == "--head-timeout" || name == "--body-timeout") {
      if (!parseNumber(value, 1, 3600, n)) { r.error = name + " must be 1 to 3600"; return r; }
      (name == "--head-timeout" ? o.headTimeoutSeconds : o.bodyTimeoutSeconds) = static_cast<int>(n);
    } else if (name == "--connections-per-address") {
      if (!parseNumber(value, 1, 10000, n)) { r.error = "--connections-per-address must be 1 to 10000"; return r; }
      o.connectionsPerAddress = static_cast<int>(n);
    } else if (name == "--user-storage") {
      if (!parseNumber(value, 1, 1ULL << 40, n)) { r.error = "--user-storage is out of range"; return r; }
      o.userStorageBytes = static_cast<std::int64_t>(n);
    } else if (name == "--max-storage") {
      if (!parseNumber(value, 1, 1ULL << 50, n)) { r.error = "--max-storage is out of range"; return r; }
      o.maxStorageBytes = static_cast<std::int64_t>(n);
    } else if (name == "--tokens-per-account") {
      if (!parseNumber(value, 1, 10000, n)) { r.error = "--tokens-per-account must be 1 to 10000"; return r; }
      o.tokensPerAccount = static_cast<int>(n);
    } else if (name == "--config-types") {
      if (!parseNumber(value, 1, 1000, n)) { r.error = "--config-types must be 1 to 1000"; return r; }
      o.configTypes = static_cast<int>(n);
    } else {
      r.error = "unknown option: " + name;
      return r;
    }
  }
  if (o.dataDir.empty()) {
    r.error = "--data DIR is required";
    return r;
  }
  if (o.softwareVersion.empty() != o.softwareUrl.empty()) {
    r.error = "--software-version and --software-url go together";
    return r;
  }
  if (o.firmwareVersion.empty() != o.firmwareFile.empty()) {
    r.error = "--firmware-version and --firmware-file go together";
    return r;
  }
  out = o;
  r.ok = true;
  return r;
}

}  // namespace zr540
