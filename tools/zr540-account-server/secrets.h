// Password hashes, login tokens and verification codes, all from libsodium.
#pragma once

#include <cstddef>
#include <string>

namespace zr540 {

// Must be called once before anything else here; false when libsodium cannot start.
bool secretsInit();

struct PwhashCost {
  unsigned long long ops = 0;  // 0: libsodium's interactive limits
  std::size_t mem = 0;
};

// An Argon2id hash string (crypto_pwhash_str); empty when hashing failed (out of memory).
std::string hashPassword(const std::string& password, const PwhashCost& cost);
// The hash carries its own cost, so hashes made with other limits still verify.
bool verifyPassword(const std::string& hash, const std::string& password);

// 32 random bytes as 64 lower-case hex digits: what the client stores and sends back.
std::string newToken();
// What the database keeps of a token or a code: a BLAKE2b digest in hex, so a copy of the
// database does not log anybody in.
std::string secretDigest(const std::string& secret);
// Six random decimal digits.
std::string newVerificationCode();
// A random name of 32 hex digits, for stored files.
std::string newRandomName();
// How the log names a stored archive: "#" and 8 hex digits of its name's digest. The name is the
// download address, which needs no token, so the log never holds it.
std::string archiveFingerprint(const std::string& name);

bool sameSecret(const std::string& a, const std::string& b);

}  // namespace zr540
