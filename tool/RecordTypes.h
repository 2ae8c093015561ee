#pragma once
// The keywords of record types, as the tool shows them.

#include <string>

// "none", "qdf", "binary", "list", "picture" or "text" for the type codes 0, 'a', 'b', 'l',
// 'p' and 't' (as Get widens them); "unknown" for any other code.
std::string RecordTypeName(int code);
