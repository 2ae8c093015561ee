#include "TokenReader.h"

namespace {

bool IsWordCharacter(char c) {
    return IsDecimalDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

} // namespace

ZTokenReader::ZTokenReader(const char* text, size_t length, bool fragmentMode)
    : input_(text, length), fragmentMode_(fragmentMode) {}

char ZTokenReader::At(size_t offset) const {
    return offset < Remaining() ? input_.Text()[position_ + offset] : '\0';
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

size_t ZTokenReader::SkipSpaceFrom(size_t position, bool countLines) {
    const char* text = input_.Text();
    size_t length = input_.Length();
    while (position < length && IsTextSpace(text[position])) {
        char c = text[position];
        if (IsLineBreak(c) && position + 1 < length) {
            if (countLines) ++line;
            char next = text[position + 1];
            if (IsLineBreak(next) && next != c) ++position;
        }
        ++position;
    }
    return position;
}

void ZTokenReader::SkipSpace() {
    position_ = SkipSpaceFrom(position_, true);
}

bool ZTokenReader::RestOfLineBlank() const {
    for (size_t i = 0; i < Remaining(); ++i) {
        char c = At(i);
        if (IsLineBreak(c)) return true;
        if (!IsTextSpace(c)) return false;
    }
    return true;
}

void ZTokenReader::Scan(size_t& position, ZString& token) {
    const char* text = input_.Text();
    size_t length = input_.Length();
    token.Clear();
    if (position >= length) return;
    size_t start = position;
    if (IsWordCharacter(text[position])) {
        while (position < length && IsWordCharacter(text[position]))
            ++position;
    } else if (text[position] == '%' && fragmentMode_) {
        placeholder = true;
        return;
    } else {
        ++position;
    }
    token.Append(text + start, position - start);
    token.LowerCase();
}

const ZString& ZTokenReader::Read() {
    SkipSpace();
    Scan(position_, token_);
    return token_;
}

const ZString& ZTokenReader::Peek() {
    size_t position = SkipSpaceFrom(position_, false);
    Scan(position, peeked_);
    return peeked_;
}

bool ZTokenReader::NextIs(char c) {
    return Peek().Equals(&c, 1);
}

bool ZTokenReader::Expect(char c) {
    return Read().Equals(&c, 1);
}
