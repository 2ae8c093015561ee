#pragma once
// Line wrapping of the alternate syntax.

#include "ZString.h"

#include <cstddef>

constexpr size_t kWrapColumn = 60;

// Breaks every line that ends in CR or LF and is longer than 60 characters behind each
// 60th character with "!" CR LF. A line of exactly 60 characters stays whole; a last line
// without a line break is never wrapped.
void WrapLongLines(ZString& text);
