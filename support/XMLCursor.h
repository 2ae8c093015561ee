#pragma once
// TXMLWindow: the bytes of the stream being parsed that the parser can see. TXMLCursor: the
// parser's read position over them.
//
// A memory stream is seen whole, in place. Any other stream is read through a window of its
// bytes that moves forward as the parser asks for more, so that memory does not grow with the
// document: a scan that reaches the window's end refills it, keeping the bytes of the token it
// is reading, and the window grows (doubling) only when one token that must be seen whole (a
// name) is larger than it. Text, quoted values and the bodies of comments, CDATA sections and
// processing instructions are handed over piece by piece instead.
//
// The parser must leave the stream exactly where a reader taking one byte at a time would have
// left it. So a cursor takes its position from the stream when it is made and writes it back
// when it is destroyed, also while an exception unwinds: a failure leaves the stream just past
// the last byte consumed (a byte put back is not consumed). Around calls that read the stream
// themselves, Release hands the position to the stream and Reload takes it back. Offsets are
// stream positions; the bytes must not change while a parse runs. Running out of bytes throws
// errEndOfData with the position at the end.

#include "Exception.h"
#include "Stream.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

class TXMLWindow {
public:
    // Sees `size` bytes at `data` in place (a memory stream's whole content); never refills.
    void Borrow(const uint8_t* data, int32_t size);
    // Reads the first `size` bytes of `stream` through a window of `capacity` bytes (at least
    // 1), starting empty at offset `start`.
    void Stream(LStream& stream, int32_t size, int32_t start, uint32_t capacity);
    // Drops the bytes before window index `keep` and reads more after the rest, growing the
    // window when it is full; false when no byte could be added (the end of the stream, or a
    // read that failed). `keep` goes in and out as a window index; every index moves down by
    // the number of bytes dropped, which `shift` receives.
    bool Refill(int32_t keep, int32_t& shift);
    // The window index of stream offset `offset`. An offset outside what a stream window holds
    // empties the window and places it there; a borrowed whole clamps it to its bytes.
    int32_t Place(int32_t offset);

    const uint8_t* data = nullptr; // the window's bytes
    int32_t base = 0;              // stream offset of data[0]
    int32_t length = 0;            // bytes in the window
    int32_t size = 0;              // end of the bytes the parse may read

private:
    LStream* fStream = nullptr;  // null for a borrowed whole
    std::vector<uint8_t> fBlock; // the window's storage when it reads a stream
};

class TXMLCursor {
public:
    TXMLCursor(LStream& stream, TXMLWindow& window);
    TXMLCursor(const TXMLCursor&) = delete;
    TXMLCursor& operator=(const TXMLCursor&) = delete;
    ~TXMLCursor() {
        if (fHeld) fStream.Seek(Position(), seekBegin);
    }

    void Release() {
        fStream.Seek(Position(), seekBegin);
        fHeld = false;
    }
    void Reload();

    // The stream position of the next byte.
    int32_t Position() const { return fWindow.base + fPos; }
    // Moves the position back to `offset` (which may lie before the window) just before a
    // failure is thrown, so that the stream is left there.
    void Rewind(int32_t offset) { fPos = offset - fWindow.base; }

    bool AtEnd() { return fPos >= fWindow.length && !More(); }
    uint8_t Next() {
        if (fPos >= fWindow.length && !More()) FailAtEnd();
        return fWindow.data[fPos++];
    }
    void PutBack() { --fPos; }
    // Consumes `count` bytes (all that remain, then throws, when there are fewer). The view
    // lasts until the next call that may read further.
    std::string_view Take(int32_t count);

    // Tab, line feed, carriage return, space; consumes them and says whether there were any.
    bool SkipWhitespace() {
        // Most calls find no whitespace at all: that answer costs one look.
        if (fPos < fWindow.length && !(XMLChars::kClass[fWindow.data[fPos]] & XMLChars::kSpace))
            return false;
        return SkipSomeWhitespace();
    }
    // A name ([A-Za-z_:][A-Za-z0-9_:-]*) at the position; the first byte that does not belong
    // is put back, so a position at a non-name byte gives an empty name and consumes nothing.
    // A name running to the end of the bytes throws, as its next byte cannot be read. The view
    // lasts until the next call that may read further.
    std::string_view ReadName();
    // Hands the bytes up to the next `stop`, which is not consumed, to take(bytes, count),
    // piece by piece.
    template <typename Sink> void ReadUntil(uint8_t stop, Sink take);
    // Appends the bytes up to the next `quote`, which is consumed, to `out`. False, with the
    // position just past it, when a "<" comes first.
    bool ReadQuoted(uint8_t quote, std::string& out);
    // Consumes the bytes up to and through the next `terminator` (2 or 3 bytes); appends those
    // before it to `out` when given.
    void ReadThrough(std::string_view terminator, std::string* out);
    // Whether the 5 bytes at the position are "<?xml", letters in any case; consumes nothing.
    bool AtDeclaration();

    static bool IsNameStart(uint8_t c) { return XMLChars::kClass[c] & XMLChars::kNameStart; }

private:
    // Refills the window keeping the bytes from window index `start` (at most fPos) on;
    // `start` and fPos move down with the bytes dropped. False at the end of the bytes.
    bool MoreKeeping(int32_t& start);
    // The same keeping the bytes from the position on.
    bool More() {
        int32_t start = fPos;
        return MoreKeeping(start);
    }
    bool SkipSomeWhitespace();
    [[noreturn]] void FailAtEnd();
    std::string_view View(int32_t from, int32_t to) const {
        return {reinterpret_cast<const char*>(fWindow.data) + from, size_t(to - from)};
    }
    void Append(std::string* out, int32_t from, int32_t to) const {
        if (out) out->append(reinterpret_cast<const char*>(fWindow.data) + from, size_t(to - from));
    }

    LStream& fStream;
    TXMLWindow& fWindow;
    int32_t fPos = 0; // window index of the next byte
    bool fHeld = true;
};

template <typename Sink> void TXMLCursor::ReadUntil(uint8_t stop, Sink take) {
    for (;;) {
        const uint8_t* from = fWindow.data + fPos;
        auto* found =
            static_cast<const uint8_t*>(std::memchr(from, stop, size_t(fWindow.length - fPos)));
        int32_t end = found ? int32_t(found - fWindow.data) : fWindow.length;
        take(reinterpret_cast<const char*>(from), size_t(end - fPos));
        fPos = end;
        if (found) return;
        if (!More()) FailAtEnd();
    }
}
