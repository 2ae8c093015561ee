#include "XMLCursor.h"

#include <algorithm>
#include <cstring>

using namespace XMLChars;

// ---- TXMLWindow ---------------------------------------------------------------------------

void TXMLWindow::Borrow(const uint8_t* bytes, int32_t count) {
    fStream = nullptr;
    fBlock.clear();
    data = bytes;
    base = 0;
    length = size = std::max(count, 0);
}

void TXMLWindow::Stream(LStream& stream, int32_t count, int32_t start, uint32_t capacity) {
    fStream = &stream;
    fBlock.assign(std::max<uint32_t>(capacity, 1), 0);
    data = fBlock.data();
    size = std::max(count, 0);
    base = start;
    length = 0;
}

bool TXMLWindow::Refill(int32_t keep, int32_t& shift) {
    shift = 0;
    if (fStream == nullptr || int64_t(base) + length >= size) return false;
    if (keep > 0) {
        std::memmove(fBlock.data(), fBlock.data() + keep, size_t(length - keep));
        base += keep;
        length -= keep;
        shift = keep;
    }
    if (size_t(length) == fBlock.size()) {
        // One token fills the whole window: it grows, so that the token can be seen whole.
        if (fBlock.size() > size_t(INT32_MAX) / 2) throw TTolvException(errNilPointer);
        fBlock.resize(fBlock.size() * 2);
    }
    data = fBlock.data();
    uint32_t count = uint32_t(std::min<int64_t>(int64_t(fBlock.size()) - length,
                                                int64_t(size) - (int64_t(base) + length)));
    fStream->Seek(base + length, seekBegin);
    fStream->Read(fBlock.data() + length, count); // a failed read adds nothing: the end
    length += int32_t(count);
    return count > 0;
}

int32_t TXMLWindow::Place(int32_t offset) {
    if (fStream == nullptr) return std::clamp(offset, 0, length);
    if (offset < base || offset > base + length) {
        base = offset;
        length = 0;
    }
    return offset - base;
}

// ---- TXMLCursor ---------------------------------------------------------------------------

TXMLCursor::TXMLCursor(LStream& stream, TXMLWindow& window) : fStream(stream), fWindow(window) {
    Reload();
}

void TXMLCursor::Reload() {
    fPos = fWindow.Place(fStream.GetPosition());
    fHeld = true;
}

bool TXMLCursor::MoreKeeping(int32_t& start) {
    int32_t shift = 0;
    bool added = fWindow.Refill(start, shift);
    start -= shift;
    fPos -= shift;
    return added;
}

void TXMLCursor::FailAtEnd() {
    fPos = fWindow.length;
    throw TTolvException(errEndOfData);
}

std::string_view TXMLCursor::Take(int32_t count) {
    while (fWindow.length - fPos < count)
        if (!More()) FailAtEnd();
    fPos += count;
    return View(fPos - count, fPos);
}

bool TXMLCursor::SkipSomeWhitespace() {
    bool any = false;
    for (;;) {
        const uint8_t* data = fWindow.data;
        int32_t limit = fWindow.length, at = fPos;
        while (at < limit && (kClass[data[at]] & kSpace))
            ++at;
        any = any || at != fPos;
        fPos = at;
        if (at < limit || !More()) return any;
    }
}

std::string_view TXMLCursor::ReadName() {
    if (!IsNameStart(Next())) {
        PutBack();
        return {};
    }
    int32_t start = fPos - 1;
    for (;;) {
        const uint8_t* data = fWindow.data;
        int32_t limit = fWindow.length, at = fPos;
        while (at < limit && (kClass[data[at]] & kName))
            ++at;
        fPos = at;
        if (at < limit) return View(start, at);
        if (!MoreKeeping(start)) FailAtEnd();
    }
}

bool TXMLCursor::ReadQuoted(uint8_t quote, std::string& out) {
    for (;;) {
        // Values are short: one plain scan for either stop beats two library searches.
        const uint8_t* data = fWindow.data;
        int32_t limit = fWindow.length, at = fPos;
        while (at < limit && data[at] != quote && data[at] != '<')
            ++at;
        Append(&out, fPos, at);
        fPos = at;
        if (at < limit) {
            ++fPos;
            return data[at] == quote;
        }
        if (!More()) FailAtEnd();
    }
}

void TXMLCursor::ReadThrough(std::string_view terminator, std::string* out) {
    const auto kept = int32_t(terminator.size()) - 1; // bytes that may begin a split terminator
    for (;;) {
        std::string_view rest = View(fPos, fWindow.length);
        size_t found = rest.find(terminator);
        if (found != std::string_view::npos) {
            Append(out, fPos, fPos + int32_t(found));
            fPos += int32_t(found + terminator.size());
            return;
        }
        int32_t keep = std::max(fPos, fWindow.length - kept);
        Append(out, fPos, keep);
        fPos = keep;
        if (!More()) FailAtEnd();
    }
}

bool TXMLCursor::AtDeclaration() {
    while (fWindow.length - fPos < 5)
        if (!More()) return false;
    const uint8_t* p = fWindow.data + fPos;
    // Setting bit 0x20 folds an ASCII upper-case letter to lower case.
    return p[0] == '<' && p[1] == '?' && (p[2] | 0x20) == 'x' && (p[3] | 0x20) == 'm' &&
           (p[4] | 0x20) == 'l';
}
