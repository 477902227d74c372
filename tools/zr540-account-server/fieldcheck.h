// Reading request bodies and checking what users and clients send in them.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "resultcodes.h"

namespace zr540 {

// Parses a JSON request body that must be one object. Never throws.
Result parseJsonObject(const std::string& body, nlohmann::json& out);

// Reads the string member `name` of `obj` into `out`. Absent: MissingField (or Ok with `out`
// empty when not required); present but not a string, or holding a NUL: BadFieldType.
Result stringField(const nlohmann::json& obj, const char* name, bool required, std::string& out);

// Number of code points of a UTF-8 text (the JSON reader has already refused broken UTF-8).
std::size_t utf8Length(const std::string& text);

bool validEmail(const std::string& email);
bool validPassword(const std::string& password);
bool validNickname(const std::string& nickname);
// The model string that tags profile archives: letters, digits, '-', '_' and '.', 1 to 32.
bool validConfigType(const std::string& type);
// A stored file's name as this server hands it out: 32 hex digits and ".zip", nothing else,
// so no name taken from a request can reach outside the archive folder.
bool validStoredName(const std::string& name);
// The file name a client announces for an upload: a plain name, no folders, no "..".
bool validUploadFileName(const std::string& name);

}  // namespace zr540
