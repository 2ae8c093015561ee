#pragma once
// The backslash escapes of string elements and keyed-table entries in the XML source format,
// on top of the XML entities the parser resolves:
//   \"  \n  \r  \t     a double quote, line feed, carriage return, tab
//   \HHx               the byte with the hexadecimal value HH (either case), e.g. \5Cx for '\'
// Every other byte stands for itself.

#include <string>
#include <string_view>

// Appends the bytes `text` stands for to `out`. Returns std::string::npos, or the index in
// `text` of the first backslash that begins none of the escapes (also one at the very end of
// the text), the bytes before it appended.
size_t AppendUnescaped(std::string_view text, std::string& out);

// Writes `text` so that AppendUnescaped gives it back byte for byte: tab, line feed and carriage
// return as \t, \n, \r; the double quote as \"; the backslash as \5Cx; other bytes outside
// 0x20-0x7E as \HHx (upper-case digits). With escapeLeadingSpaces, the spaces at the very
// start (which the XML parser would drop) are written \20x.
std::string EscapeText(const std::string& text, bool escapeLeadingSpaces);
