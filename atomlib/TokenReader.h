#pragma once
// ZTokenReader: the assembler's cursor over its source text, with the line count and the
// placeholder flag. See docs/atom-text-read.md for the token rules.
//
// A token is empty (end of input, or a "%" placeholder in fragment mode), a run of ASCII
// letters, digits and "_", or any other single character; it is lower-cased (A-Z only).
// The reader owns a copy of the text; a token stays valid until the next Read or Peek.

#include "ZString.h"

#include <cstddef>
#include <cstdint>

class ZTokenReader {
public:
    // `fragmentMode`: a "%" where a token is looked for is a placeholder.
    ZTokenReader(const char* text, size_t length, bool fragmentMode);

    // Skips white space (counting line breaks) and reads the next token.
    const ZString& Read();
    // The token Read would give, consuming nothing and counting no line; a "%" placeholder
    // seen here still sets the placeholder flag.
    const ZString& Peek();
    // True when the peeked token is the single character `c`.
    bool NextIs(char c);
    // Reads a token and tells whether it is the single character `c`.
    bool Expect(char c);

    // Skips space, TAB, LF, VT, FF and CR. Each line break (CR LF, LF CR, a lone CR or LF)
    // adds one to the line number, except a break that is the last character of the input.
    void SkipSpace();
    // Consumes one line break at the cursor (CR LF, LF CR, a lone CR or LF) and counts it;
    // returns its length in bytes (0 when there is none).
    size_t ConsumeLineBreak();
    // True when only space, TAB, VT and FF stand between the cursor and the next CR, LF or
    // the end of the input.
    bool RestOfLineBlank() const;

    // The character `offset` bytes past the cursor; NUL at and past the end of the input.
    char At(size_t offset = 0) const;
    const char* Current() const { return input_.Text() + position_; }
    size_t Remaining() const { return input_.Length() - position_; }
    bool AtEnd() const { return position_ >= input_.Length(); }
    // Moves the cursor `count` bytes on (never past the end).
    void Advance(size_t count);
    // Bytes consumed so far.
    size_t Position() const { return position_; }

    uint32_t line = 1;
    bool placeholder = false;

private:
    // Token rules 2 to 6 at `position`, which is moved past the token.
    void Scan(size_t& position, ZString& token);
    size_t SkipSpaceFrom(size_t position, bool countLines);

    ZString input_;
    size_t position_ = 0;
    bool fragmentMode_;
    ZString token_;
    ZString peeked_;
};

// ASCII classification of the assembler's syntax (no locale).
inline bool IsTextSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}
inline bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsLowerLetter(char c) {
    return c >= 'a' && c <= 'z';
}
// The value of a hexadecimal digit; 0 for any other character.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}
