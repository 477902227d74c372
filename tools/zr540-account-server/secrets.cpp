#include "secrets.h"

#include <sodium.h>

#include <cstdio>
#include <vector>

namespace zr540 {

namespace {

std::string toHex(const unsigned char* data, std::size_t len) {
  std::string hex(len * 2 + 1, '\0');
  sodium_bin2hex(&hex[0], hex.size(), data, len);
  hex.resize(len * 2);
  return hex;
}

std::string randomHex(std::size_t bytes) {
  std::vector<unsigned char> buf(bytes);
  randombytes_buf(buf.data(), buf.size());
  return toHex(buf.data(), buf.size());
}

}  // namespace

bool secretsInit() { return sodium_init() >= 0; }

std::string hashPassword(const std::string& password, const PwhashCost& cost) {
  const unsigned long long ops = cost.ops ? cost.ops : crypto_pwhash_OPSLIMIT_INTERACTIVE;
  const std::size_t mem = cost.mem ? cost.mem : crypto_pwhash_MEMLIMIT_INTERACTIVE;
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), ops, mem) != 0) return {};
  return std::string(out);
}

bool verifyPassword(const std::string& hash, const std::string& password) {
  if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::string newToken() { return randomHex(32); }

std::string newRandomName() { return randomHex(16); }

std::string secretDigest(const std::string& secret) {
  unsigned char digest[crypto_generichash_BYTES];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(secret.data()),
                     secret.size(), nullptr, 0);
  return toHex(digest, sizeof digest);
}

std::string archiveFingerprint(const std::string& name) { return "#" + secretDigest(name).substr(0, 8); }

std::string newVerificationCode() {
  char text[8];
  std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(randombytes_uniform(1000000)));
  return std::string(text);
}

bool sameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  return sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace zr540
