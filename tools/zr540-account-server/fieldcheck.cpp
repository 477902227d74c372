#include "fieldcheck.h"

#include <cstdint>

namespace zr540 {

Result parseJsonObject(const std::string& body, nlohmann::json& out) {
  // allow_exceptions = false: a broken body yields a "discarded" value instead of a throw.
  nlohmann::json v = nlohmann::json::parse(body, nullptr, false);
  if (v.is_discarded() || !v.is_object()) return Result::MalformedBody;
  out = std::move(v);
  return Result::Ok;
}

Result stringField(const nlohmann::json& obj, const char* name, bool required, std::string& out) {
  out.clear();
  const auto it = obj.find(name);
  if (it == obj.end()) return required ? Result::MissingField : Result::Ok;
  if (!it->is_string()) return Result::BadFieldType;
  const std::string& s = it->get_ref<const std::string&>();
  if (s.find('\0') != std::string::npos) return Result::BadFieldType;
  out = s;
  return Result::Ok;
}

std::size_t utf8Length(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

namespace {

bool hasControlChars(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) return true;
  }
  return false;
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing
// past U+10FFFF.
bool validUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > text.size()) return false;
    std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

bool isAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool validEmail(const std::string& email) {
  if (email.size() < 3 || email.size() > 254) return false;
  const auto at = email.find('@');
  if (at == std::string::npos || at == 0 || email.find('@', at + 1) != std::string::npos) {
    return false;
  }
  const std::string domain = email.substr(at + 1);
  if (domain.empty() || domain.front() == '.' || domain.back() == '.' ||
      domain.find('.') == std::string::npos || domain.find("..") != std::string::npos) {
    return false;
  }
  for (unsigned char c : email) {
    // printable ASCII without spaces: what mail servers accept without escaping
    if (c <= 0x20 || c >= 0x7f) return false;
    if (c == '"' || c == '\\' || c == '<' || c == '>' || c == ',' || c == ';' || c == '/') {
      return false;
    }
  }
  return true;
}

bool validPassword(const std::string& password) {
  const std::size_t n = utf8Length(password);
  return n >= 6 && n <= 64 && password.find('\0') == std::string::npos;
}

bool validNickname(const std::string& nickname) {
  const std::size_t n = utf8Length(nickname);
  return n >= 1 && n <= 32 && !hasControlChars(nickname);
}

bool validConfigType(const std::string& type) {
  if (type.empty() || type.size() > 32) return false;
  for (char c : type) {
    if (!isAsciiAlnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  return true;
}

bool validStoredName(const std::string& name) {
  if (name.size() != 36 || name.compare(32, 4, ".zip") != 0) return false;
  for (std::size_t i = 0; i < 32; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool validUploadFileName(const std::string& name) {
  if (name.empty() || name.size() > 128 || hasControlChars(name) || !validUtf8(name)) return false;
  if (name == "." || name == ".." || name.find("..") != std::string::npos) return false;
  if (name.find_first_of("/\\:\"") != std::string::npos) {
    return false;
  }
  return true;
}

}  // namespace zr540
