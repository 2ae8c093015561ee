#pragma once
// ZTokenReader: the assembler's cursor over its source text, with the line count and the
// placeholder flag. See docs/atom-text-read.md for the token rules.
//
// A token is empty (end of input, or a "%" placeholder in fragment mode), a run of ASCII
// letters, digits and "_", or any other single character; it is lower-cased (A-Z only).
// The reader works on the caller's text, which must outlive it, and on a lower-cased copy
// that its tokens point into and its scans for white space read.

#include "ZString.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// ASCII classification of the assembler's syntax (no locale). White space and word
// characters, which the token reader asks about for every character, come from one table.
namespace TextClasses {
inline constexpr uint8_t kSpace = 1; // space, TAB, LF, VT, FF, CR
inline constexpr uint8_t kWord = 2;  // letters, digits, "_"
inline constexpr std::array<uint8_t, 256> kTable = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        bool space = c == ' ' || (c >= '\t' && c <= '\r');
        bool word =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        table[size_t(c)] = uint8_t((space ? kSpace : 0) | (word ? kWord : 0));
    }
    return table;
}();
} // namespace TextClasses

inline bool IsTextSpace(char c) {
    return TextClasses::kTable[uint8_t(c)] & TextClasses::kSpace;
}
// ASCII letters, digits and "_": the characters of a word token.
inline bool IsWordCharacter(char c) {
    return TextClasses::kTable[uint8_t(c)] & TextClasses::kWord;
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

// A token: a view of the reader's lower-cased text, valid as long as the reader. In that
// text a word token is followed by a character that is no word character, or by the final
// NUL, so a number reads in place: no character after the token can continue it.
class ZToken {
public:
    ZToken() = default;
    ZToken(const char* text, size_t length) : text_(text, length) {}

    std::string_view View() const { return text_; }
    const char* Data() const { return text_.data(); }
    size_t Length() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }
    // 1-based, as ZString::At; NUL outside 1..Length().
    char At(size_t position) const {
        return position - 1 < text_.size() ? text_[position - 1] : '\0';
    }
    bool Equals(std::string_view text) const { return text_ == text; }
    // True when the token is the single character `c`.
    bool Is(char c) const { return text_.size() == 1 && text_[0] == c; }

    // The number test and number reading of ZString. A token of one other character (a
    // sign, say) reads as 0, as it would standing alone.
    bool IsNumber() const { return ZString::IsNumber(text_.data(), text_.size()); }
    int32_t ReadSigned() const;
    uint32_t ReadUnsigned() const;

private:
    std::string_view text_;
};

class ZTokenReader {
public:
    // `fragmentMode`: a "%" where a token is looked for is a placeholder. `text` is read, not
    // copied, until the reader is destroyed.
    ZTokenReader(const char* text, size_t length, bool fragmentMode);

    // Skips white space (counting line breaks) and reads the next token.
    ZToken Read();
    // True when the token Read would give is the single character `c`, which must be neither
    // a letter, a digit, "_" nor "%". Consumes nothing and counts no line; a "%" placeholder
    // seen here still sets the placeholder flag.
    bool NextIs(char c);
    // Reads a token and tells whether it is the single character `c`.
    bool Expect(char c);

    // Skips space, TAB, LF, VT, FF and CR. Each line break (CR LF, LF CR, a lone CR or LF)
    // adds one to the line number, except a break that is the last character of the input.
    void SkipSpace() {
        const SkippedSpace& skipped = SkipFromCursor();
        position_ = skipped.to;
        line += skipped.breaks;
    }
    // Consumes one line break at the cursor (CR LF, LF CR, a lone CR or LF) and counts it;
    // returns its length in bytes (0 when there is none).
    size_t ConsumeLineBreak();
    // True when only space, TAB, VT and FF stand between the cursor and the next CR, LF or
    // the end of the input.
    bool RestOfLineBlank() const;

    // The character `offset` bytes past the cursor; NUL at and past the end of the input.
    char At(size_t offset = 0) const {
        return offset < Remaining() ? input_[position_ + offset] : '\0';
    }
    const char* Current() const { return input_.data() + position_; }
    size_t Remaining() const { return input_.size() - position_; }
    bool AtEnd() const { return position_ >= input_.size(); }
    // Moves the cursor `count` bytes on (never past the end).
    void Advance(size_t count);
    // Bytes consumed so far.
    size_t Position() const { return position_; }

    uint32_t line = 1;
    bool placeholder = false;

private:
    // Token rules 2 to 6 at the cursor, which moves past the token.
    ZToken Scan();
    // The white space after the cursor: where it ends and the line breaks it counts. Kept
    // for the last cursor position, because a peek and the read after it skip the same space.
    struct SkippedSpace {
        size_t from = SIZE_MAX;
        size_t to = 0;
        uint32_t breaks = 0;
    };
    const SkippedSpace& SkipFromCursor() {
        if (skipped_.from == position_) return skipped_;
        if (IsTextSpace(At()))
            MeasureSpace();
        else
            skipped_ = {position_, position_, 0}; // most tokens follow another directly
        return skipped_;
    }
    // Fills skipped_ for the cursor.
    void MeasureSpace();
    // `position` moved past a run of blanks.
    size_t SkipBlanks(size_t position) const;

    std::string_view input_;
    ZString lowered_; // input_ with A-Z lower-cased
    size_t position_ = 0;
    bool fragmentMode_;
    SkippedSpace skipped_;
};
