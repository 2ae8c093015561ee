#include "StringList.h"

TStringList::TStringList(bool sorted, bool descending) : fSorted(sorted), fDescending(descending) {}

TStringList::~TStringList() {
    DeleteAll();
}

void TStringList::Add(const std::string& text) {
    auto* copy = new std::string(text);
    int32_t index = Count();
    if (fSorted) {
        int32_t i = 0;
        for (TKeyedListNode* node = Head(); node; node = node->next, ++i) {
            const auto& other = *reinterpret_cast<const std::string*>(node->value);
            if (other.empty()) continue;
            int order = other.compare(text);
            if (fDescending ? order <= 0 : order >= 0) {
                index = i;
                break;
            }
        }
    }
    if (!InsertAt(index, reinterpret_cast<uintptr_t>(copy), 0)) delete copy;
}

const std::string* TStringList::StringAt(int32_t index) const {
    return reinterpret_cast<const std::string*>(ValueAt(index));
}

void TStringList::DeleteAll() {
    for (TKeyedListNode* node = Head(); node; node = node->next)
        delete reinterpret_cast<std::string*>(node->value);
    Clear();
}
