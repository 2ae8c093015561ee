#include "XMLCursor.h"

#include <algorithm>
#include <cstring>

using namespace XMLChars;

TXMLCursor::TXMLCursor(LStream& stream, const uint8_t* data, int32_t size)
    : fStream(stream), fData(data), fSize(std::max(size, 0)) {
    Reload();
}

void TXMLCursor::Reload() {
    fPos = std::clamp(fStream.GetPosition(), 0, fSize);
    fHeld = true;
}

void TXMLCursor::FailAtEnd() {
    fPos = fSize;
    throw TTolvException(errEndOfData);
}

std::string_view TXMLCursor::Take(int32_t count) {
    if (fSize - fPos < count) FailAtEnd();
    fPos += count;
    return View(fPos - count, fPos);
}

bool TXMLCursor::SkipWhitespace() {
    int32_t start = fPos;
    while (fPos < fSize && (kClass[fData[fPos]] & kSpace))
        ++fPos;
    return fPos != start;
}

std::string_view TXMLCursor::ReadName() {
    int32_t start = fPos;
    if (!IsNameStart(Next())) {
        PutBack();
        return {};
    }
    while (fPos < fSize && (kClass[fData[fPos]] & kName))
        ++fPos;
    if (fPos >= fSize) FailAtEnd();
    return View(start, fPos);
}

std::string_view TXMLCursor::ReadUntil(uint8_t stop) {
    auto* found =
        static_cast<const uint8_t*>(std::memchr(fData + fPos, stop, size_t(fSize - fPos)));
    if (found == nullptr) FailAtEnd();
    int32_t start = fPos;
    fPos = int32_t(found - fData);
    return View(start, fPos);
}

std::string_view TXMLCursor::ReadQuoted(uint8_t quote, uint32_t ltCode) {
    size_t rest = size_t(fSize - fPos);
    auto* end = static_cast<const uint8_t*>(std::memchr(fData + fPos, quote, rest));
    size_t span = end ? size_t(end - (fData + fPos)) : rest;
    if (auto* lt = static_cast<const uint8_t*>(std::memchr(fData + fPos, '<', span))) {
        fPos = int32_t(lt - fData) + 1;
        throw TTolvException(ltCode);
    }
    if (end == nullptr) FailAtEnd();
    int32_t start = fPos;
    fPos = int32_t(end - fData) + 1;
    return View(start, fPos - 1);
}

std::string_view TXMLCursor::ReadThrough(std::string_view terminator) {
    std::string_view rest = View(fPos, fSize);
    size_t found = rest.find(terminator);
    if (found == std::string_view::npos) FailAtEnd();
    fPos += int32_t(found + terminator.size());
    return rest.substr(0, found);
}

bool TXMLCursor::AtDeclaration() const {
    if (fSize - fPos < 5) return false;
    const uint8_t* p = fData + fPos;
    // Setting bit 0x20 folds an ASCII upper-case letter to lower case.
    return p[0] == '<' && p[1] == '?' && (p[2] | 0x20) == 'x' && (p[3] | 0x20) == 'm' &&
           (p[4] | 0x20) == 'l';
}
