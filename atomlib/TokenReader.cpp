#include "TokenReader.h"

#include "NumberReader.h"

#include <bit>
#include <cstring>

int32_t ZToken::ReadSigned() const {
    if (!IsWordCharacter(At(1))) return 0;
    return Numbers::ReadSigned(Data(), ZString::NumberBase(Data(), Length()));
}

uint32_t ZToken::ReadUnsigned() const {
    if (!IsWordCharacter(At(1))) return 0;
    return Numbers::ReadUnsigned(Data(), ZString::NumberBase(Data(), Length()));
}

ZTokenReader::ZTokenReader(const char* text, size_t length, bool fragmentMode)
    : input_(text, length), lowered_(text, length), fragmentMode_(fragmentMode) {
    lowered_.LowerCase();
}

void ZTokenReader::Advance(size_t count) {
    position_ += count < Remaining() ? count : Remaining();
}

size_t ZTokenReader::ConsumeLineBreak() {
    char c = At(0);
    if (!IsLineBreak(c)) return 0;
    size_t length = IsLineBreak(At(1)) && At(1) != c ? 2 : 1;
    Advance(length);
    ++line;
    return length;
}

// Indentation makes up much of a typical text, so runs of blanks go eight bytes at a time;
// in the eight bytes that end a run, the first other byte is found from the bits that
// differ from eight blanks.
size_t ZTokenReader::SkipBlanks(size_t position) const {
    constexpr uint64_t kEightBlanks = 0x2020202020202020u;
    constexpr bool kLittleEndian = std::endian::native == std::endian::little;
    const char* text = lowered_.Text();
    for (uint64_t eight; position + 8 <= lowered_.Length(); position += 8) {
        std::memcpy(&eight, text + position, 8);
        if (uint64_t differ = eight ^ kEightBlanks) {
            int bits = kLittleEndian ? std::countr_zero(differ) : std::countl_zero(differ);
            return position + size_t(bits / 8);
        }
    }
    return position;
}

void ZTokenReader::MeasureSpace() {
    const char* text = lowered_.Text();
    size_t length = lowered_.Length();
    size_t position = SkipBlanks(position_);
    uint32_t breaks = 0;
    while (position < length && IsTextSpace(text[position])) {
        char c = text[position];
        if (IsLineBreak(c) && position + 1 < length) {
            ++breaks;
            char next = text[position + 1];
            if (IsLineBreak(next) && next != c) ++position;
            position = SkipBlanks(position + 1);
        } else {
            ++position;
        }
    }
    skipped_ = {position_, position, breaks};
}

bool ZTokenReader::RestOfLineBlank() const {
    for (size_t i = 0; i < Remaining(); ++i) {
        char c = At(i);
        if (IsLineBreak(c)) return true;
        if (!IsTextSpace(c)) return false;
    }
    return true;
}

ZToken ZTokenReader::Scan() {
    const char* text = lowered_.Text();
    size_t length = lowered_.Length();
    size_t start = position_;
    if (start >= length) return {};
    if (IsWordCharacter(text[start])) {
        while (position_ < length && IsWordCharacter(text[position_]))
            ++position_;
    } else if (text[start] == '%' && fragmentMode_) {
        placeholder = true;
        return {};
    } else {
        ++position_;
    }
    return {text + start, position_ - start};
}

ZToken ZTokenReader::Read() {
    SkipSpace();
    return Scan();
}

// A character that is no word character and no "%" is a token by itself, so the next
// character decides without scanning a token.
bool ZTokenReader::NextIs(char c) {
    size_t position = SkipFromCursor().to;
    if (position >= lowered_.Length()) return false;
    char next = lowered_.Text()[position];
    if (next == '%' && fragmentMode_) placeholder = true;
    return next == c;
}

bool ZTokenReader::Expect(char c) {
    return Read().Is(c);
}
