#pragma once
// Well-formed documents within the parser's subset, for the differential tests.
//
// They are written so that a conforming XML parser and TXMLParser see the same element names,
// attributes and data: ISO-8859-1 text, no raw carriage return, no raw tab or line feed in an
// attribute value, every run of character data starting with a letter or whitespace, and
// character references only to bytes that need no re-encoding.

#include <cstdint>
#include <string>
#include <vector>

// The hand-written documents followed by `generated` random ones from `seed`.
std::vector<std::string> XMLCorpus(uint32_t seed, int generated);
