#include "LineWrap.h"

#include <utility>

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

// One pass into a new text: inserting in place would move the tail once per break.
void WrapLongLines(ZString& text) {
    const char* p = text.Text();
    const char* end = p + text.Length();
    ZString wrapped;
    while (p < end) {
        const char* line = p;
        while (p < end && !IsLineBreak(*p))
            ++p;
        if (p == end) { // the last line has no break: it stays as it is
            wrapped.Append(line, size_t(end - line));
            break;
        }
        for (; size_t(p - line) > kWrapColumn; line += kWrapColumn) {
            wrapped.Append(line, kWrapColumn);
            wrapped.Append("!\r\n");
        }
        wrapped.Append(line, size_t(p - line));
        const char* breaks = p;
        while (p < end && IsLineBreak(*p))
            ++p;
        wrapped.Append(breaks, size_t(p - breaks));
    }
    text = std::move(wrapped);
}
