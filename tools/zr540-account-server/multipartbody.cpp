#include "multipartbody.h"

#include <cctype>

namespace zr540 {

namespace {

constexpr std::size_t kMaxParts = 16;
constexpr std::size_t kMaxHeadersPerPart = 32;
constexpr std::size_t kMaxHeaderBlock = 8192;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// Parameters of a header value such as `form-data; name="file"; filename="a.zip"`, with
// quoted strings and their backslash escapes. Keys in lower case; false when a quote is open.
bool headerParams(const std::string& value, std::map<std::string, std::string>& params) {
  std::size_t i = value.find(';');
  while (i != std::string::npos && i < value.size()) {
    ++i;  // past ';'
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    const std::size_t eq = value.find_first_of("=;", i);
    if (eq == std::string::npos || value[eq] == ';') {
      i = eq;  // a parameter without value: skip it
      continue;
    }
    const std::string key = lower(trim(value.substr(i, eq - i)));
    std::size_t j = eq + 1;
    while (j < value.size() && (value[j] == ' ' || value[j] == '\t')) ++j;
    std::string v;
    if (j < value.size() && value[j] == '"') {
      ++j;
      bool closed = false;
      while (j < value.size()) {
        const char c = value[j++];
        if (c == '\\' && j < value.size()) {
          v.push_back(value[j++]);
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          v.push_back(c);
        }
      }
      if (!closed) return false;
      i = value.find(';', j);
    } else {
      const std::size_t end = value.find(';', j);
      v = trim(value.substr(j, end == std::string::npos ? std::string::npos : end - j));
      i = end;
    }
    if (!key.empty() && params.find(key) == params.end()) params.emplace(key, v);
  }
  return true;
}

bool parseHeaderBlock(const std::string& block, MultipartPart& part) {
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < block.size()) {
    std::size_t eol = block.find("\r\n", pos);
    if (eol == std::string::npos) eol = block.size();
    const std::string line = block.substr(pos, eol - pos);
    pos = eol + 2;
    if (line.empty()) continue;
    if (line[0] == ' ' || line[0] == '\t') return false;  // obsolete line folding
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (++count > kMaxHeadersPerPart) return false;
    const std::string name = lower(trim(line.substr(0, colon)));
    if (name.find_first_of(" \t") != std::string::npos) return false;
    const std::string value = trim(line.substr(colon + 1));
    if (part.headers.count(name)) return false;  // one value per header, or we cannot choose
    part.headers.emplace(name, value);
  }
  const auto cd = part.headers.find("content-disposition");
  if (cd != part.headers.end()) {
    std::map<std::string, std::string> params;
    if (!headerParams(cd->second, params)) return false;
    const auto n = params.find("name");
    if (n != params.end()) part.name = n->second;
    const auto f = params.find("filename");
    if (f != params.end()) {
      part.filename = f->second;
      part.hasFilename = true;
    }
  }
  return true;
}

}  // namespace

bool multipartBoundary(const std::string& contentType, std::string& boundary) {
  const std::string lowered = lower(contentType);
  if (lowered.rfind("multipart/form-data", 0) != 0) return false;
  std::map<std::string, std::string> params;
  if (!headerParams(contentType, params)) return false;
  const auto b = params.find("boundary");
  if (b == params.end() || b->second.empty() || b->second.size() > 70) return false;
  boundary = b->second;
  return true;
}

bool parseMultipartBody(const std::string& body, const std::string& boundary,
                        std::vector<MultipartPart>& parts) {
  parts.clear();
  if (boundary.empty()) return false;
  const std::string dash = "--" + boundary;
  const std::string delimiter = "\r\n" + dash;

  std::size_t pos = 0;
  if (body.compare(0, dash.size(), dash) != 0) {
    pos = body.find(delimiter);  // skip a preamble
    if (pos == std::string::npos) return false;
    pos += 2;
  }
  pos += dash.size();

  for (;;) {
    if (body.compare(pos, 2, "--") == 0) return true;  // closing delimiter
    while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) ++pos;
    if (body.compare(pos, 2, "\r\n") != 0) return false;
    pos += 2;
    if (parts.size() >= kMaxParts) return false;

    MultipartPart part;
    std::size_t contentStart;
    if (body.compare(pos, 2, "\r\n") == 0) {
      contentStart = pos + 2;  // a part without headers
    } else {
      const std::size_t end = body.find("\r\n\r\n", pos);
      if (end == std::string::npos || end - pos > kMaxHeaderBlock) return false;
      if (!parseHeaderBlock(body.substr(pos, end - pos), part)) return false;
      contentStart = end + 4;
    }
    const std::size_t next = body.find(delimiter, contentStart);
    if (next == std::string::npos) return false;
    part.content = body.substr(contentStart, next - contentStart);
    parts.push_back(std::move(part));
    pos = next + delimiter.size();
  }
}

}  // namespace zr540
