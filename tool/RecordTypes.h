#pragma once
// The type keywords of the XML format and the record type codes they stand for:
//   picture 'p', qdf 'a' (a compiled atom stream), list 'l', text 't', binary 'b'.

#include <optional>
#include <string>

// The code of a type keyword (exact, lower case); nothing for any other word, "none" and
// "unknown" included.
std::optional<int> RecordTypeCode(const std::string& keyword);

// The keyword of a type code as Get widens it: 0 "none", the five above, any other code
// "unknown".
const char* RecordTypeName(int code);
