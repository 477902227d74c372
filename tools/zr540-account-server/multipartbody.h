// A multipart/form-data reader that keeps every header of every part. The client sends its
// login token as an "Authorization" header of the file part, not of the request, and
// cpp-httplib's own reader only keeps a part's name, file name and content type.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zr540 {

struct MultipartPart {
  std::map<std::string, std::string> headers;  // names in lower case
  std::string name;      // from Content-Disposition
  std::string filename;
  bool hasFilename = false;
  std::string content;
};

// The boundary parameter of a multipart Content-Type, quoted or not; false when there is none
// or it is not a legal boundary (1 to 70 characters).
bool multipartBoundary(const std::string& contentType, std::string& boundary);

// Splits a whole multipart body; false when it is not well formed (no opening delimiter, a part
// without its closing delimiter, a broken header line, too many parts or headers).
bool parseMultipartBody(const std::string& body, const std::string& boundary,
                        std::vector<MultipartPart>& parts);

}  // namespace zr540
