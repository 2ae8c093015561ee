#pragma once
// Entity escaping of XML text: EncodeEntities for the writer, DecodeEntities for the parser.
//
// Both work on bytes; a std::string may hold any byte, zero bytes included.

#include <cstdint>
#include <string>

// Codes DecodeEntities throws (as TTolvException) for a malformed reference.
constexpr uint32_t errUnterminatedEntity = 0xFFFFFD66; // -666: no ";" before the end
constexpr uint32_t errMalformedEntity = 0xFFFFFD65;    // -667: space, empty, bad "#" form
constexpr uint32_t errUnknownEntity = 0xFFFFFD64;      // -668: not one of the five names

// Rewrites `text` for use inside XML: the five markup bytes become their predefined entities,
// bytes 32 to 126 stay, every other byte becomes "&#x%X;" (upper case, no leading zeros).
void EncodeEntities(std::string& text);

// Replaces every "&name;" (lt, gt, amp, apos, quot), "&#decimal;" and "&#xhex;" in `text`
// from byte `from` on by the byte it stands for (the low 8 bits of a number), in place. A
// reference ends at the first ";"; a space before it, an empty reference or a bad "#" form
// throws errMalformedEntity, a missing ";" errUnterminatedEntity, an unknown name
// errUnknownEntity. On failure the bytes from `from` on are left partly decoded, and
// `failedAt`, when given, receives the index of the failing reference's "&", the bytes from
// there on being as they were.
void DecodeEntities(std::string& text, size_t from = 0, size_t* failedAt = nullptr);
