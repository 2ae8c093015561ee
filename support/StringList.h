#pragma once
// TStringList: a keyed list of text copies, in insertion order or sorted.
//
// The list owns its copies and frees them when it is cleared or destroyed.

#include "KeyedList.h"

#include <string>

class TStringList : public TKeyedList {
public:
    // sorted: Add keeps byte order (descending when asked); else Add appends.
    explicit TStringList(bool sorted = false, bool descending = false);
    ~TStringList() override;

    // Adds a copy of `text`. Sorted, it goes before the first string that is >= it (<= it when
    // descending), so equal strings land before their equals; empty strings are passed over.
    void Add(const std::string& text);
    // The string at `index`, or null beyond the end.
    const std::string* StringAt(int32_t index) const;
    // Frees every copy and empties the list.
    void DeleteAll();

private:
    bool fSorted;
    bool fDescending;
};
