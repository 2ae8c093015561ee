#pragma once
// The bodies of the XML dump: each writes one data element of a <record>, in the exact layout
// of the dump format, appending to `out`. Record elements stand at indent 0, data elements at
// two spaces, their content lines at four (six inside an atom stream's CDATA section).

#include <cstdint>
#include <string>

// True when the bytes have the layout of a keyed table that dumps and compiles back exactly:
// at least 10 bytes; a non-negative, even 16-bit little-endian count of strings no larger
// than (length - 2) / 2; exactly that many zero bytes after the count; and the last of them
// ends the data, so that no byte is left outside the table.
bool LooksLikeKeyedTable(const uint8_t* data, uint32_t length);

// <hex_data>: lines of 10 bytes with the character column, 20 without.
void WriteHexData(std::string& out, const uint8_t* data, uint32_t length, bool characterColumn);

// <string>: the escaped text, in a CDATA section when it holds markup characters (and no
// "]]>"), else with entities.
void WriteString(std::string& out, const uint8_t* data, uint32_t length);

// <keyed_table> with one <entry/> per key and value; only after LooksLikeKeyedTable.
void WriteKeyedTable(std::string& out, const uint8_t* data, uint32_t length);

// <atom_stream> with the library's text of the stream. Without the library, when it cannot
// show the stream, or when its text would not compile back to the same bytes, a comment
// and <hex_data> without the character column instead.
void WriteAtomStream(std::string& out, const uint8_t* data, uint32_t length);
