#pragma once
// TXMLCursor: the parser's read position over the bytes of the stream being parsed.
//
// The parser reads straight from memory but must leave the stream exactly where a reader
// taking one byte at a time would have left it. So the cursor takes its position from the
// stream when it is made and writes it back when it is destroyed, also while an exception
// unwinds: a failure leaves the stream just past the last byte consumed (a byte put back is
// not consumed). Around calls that read the stream themselves, Release hands the position to
// the stream and Reload takes it back. Offsets are stream positions; the bytes must not change
// while a cursor is alive. Running out of bytes throws errEndOfData with the position at the end.

#include "Exception.h"
#include "Stream.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace XMLChars {

enum : uint8_t { kSpace = 1, kNameStart = 2, kName = 4 };

// The class bits of every byte. Names are ASCII only: no "." and no byte above 127.
inline constexpr std::array<uint8_t, 256> kClass = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
        bool name = start || (c >= '0' && c <= '9') || c == '-';
        bool space = c == '\t' || c == '\n' || c == '\r' || c == ' ';
        table[size_t(c)] =
            uint8_t((space ? kSpace : 0) | (start ? kNameStart : 0) | (name ? kName : 0));
    }
    return table;
}();

} // namespace XMLChars

class TXMLCursor {
public:
    // `data` holds the stream's bytes 0 to size - 1.
    TXMLCursor(LStream& stream, const uint8_t* data, int32_t size);
    TXMLCursor(const TXMLCursor&) = delete;
    TXMLCursor& operator=(const TXMLCursor&) = delete;
    ~TXMLCursor() {
        if (fHeld) fStream.Seek(fPos, seekBegin);
    }

    void Release() {
        fStream.Seek(fPos, seekBegin);
        fHeld = false;
    }
    void Reload();

    bool AtEnd() const { return fPos >= fSize; }
    uint8_t Next() {
        if (fPos >= fSize) FailAtEnd();
        return fData[fPos++];
    }
    void PutBack() { --fPos; }
    // Consumes one byte; throws `code` (after consuming it) when it is not `byte`.
    void Expect(uint8_t byte, uint32_t code) {
        if (Next() != byte) throw TTolvException(code);
    }
    // Consumes `count` bytes (all that remain, then throws, when there are fewer).
    std::string_view Take(int32_t count);

    // Tab, line feed, carriage return, space; consumes them and says whether there were any.
    bool SkipWhitespace();
    // A name ([A-Za-z_:][A-Za-z0-9_:-]*) at the position; the first byte that does not belong
    // is put back, so a position at a non-name byte gives an empty name and consumes nothing.
    // A name running to the end of the bytes throws, as its next byte cannot be read.
    std::string_view ReadName();
    // The bytes up to the next `stop`, which is not consumed.
    std::string_view ReadUntil(uint8_t stop);
    // The bytes up to the next `quote`, which is consumed; a "<" before it throws `ltCode`
    // with the position just past the "<".
    std::string_view ReadQuoted(uint8_t quote, uint32_t ltCode);
    // The bytes before the next occurrence of `terminator`; consumes both.
    std::string_view ReadThrough(std::string_view terminator);
    // Whether the 5 bytes at the position are "<?xml", letters in any case; consumes nothing.
    bool AtDeclaration() const;

    static bool IsNameStart(uint8_t c) { return XMLChars::kClass[c] & XMLChars::kNameStart; }

private:
    [[noreturn]] void FailAtEnd();
    std::string_view View(int32_t from, int32_t to) const {
        return {reinterpret_cast<const char*>(fData) + from, size_t(to - from)};
    }

    LStream& fStream;
    const uint8_t* fData;
    int32_t fSize;
    int32_t fPos = 0;
    bool fHeld = true;
};
