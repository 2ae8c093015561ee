#include "KeyedList.h"

TKeyedList::TKeyedList(uint32_t limit) : fLimit(limit) {}

TKeyedList::~TKeyedList() {
    while (fIterators)
        fIterators->Detach();
    Clear();
}

void TKeyedList::Clear() {
    for (TKeyedListNode* node = fHead; node != nullptr;) {
        TKeyedListNode* next = node->next;
        delete node;
        node = next;
    }
    fHead = fTail = fCache = nullptr;
    fCount = 0;
    for (TKeyedListIterator* it = fIterators; it; it = it->fNextIterator) {
        it->fCurrent = nullptr;
        it->fNext = nullptr;
    }
}

bool TKeyedList::CanAdd(uintptr_t value) const {
    return value != 0 && (fLimit == 0 || uint32_t(fCount) < fLimit);
}

void TKeyedList::Link(TKeyedListNode* node, TKeyedListNode* previous, TKeyedListNode* next) {
    node->previous = previous;
    node->next = next;
    (previous ? previous->next : fHead) = node;
    (next ? next->previous : fTail) = node;
    ++fCount;
    for (TKeyedListIterator* it = fIterators; it; it = it->fNextIterator)
        it->NodeInserted(node);
}

bool TKeyedList::AddFirst(uintptr_t value, uint32_t key) {
    if (!CanAdd(value)) return false;
    Link(new TKeyedListNode{key, value, nullptr, nullptr}, nullptr, fHead);
    return true;
}

bool TKeyedList::AddLast(uintptr_t value, uint32_t key) {
    if (!CanAdd(value)) return false;
    Link(new TKeyedListNode{key, value, nullptr, nullptr}, fTail, nullptr);
    return true;
}

bool TKeyedList::InsertAt(int32_t index, uintptr_t value, uint32_t key) {
    if (!CanAdd(value) || (key != 0 && FindKey(key) != nullptr)) return false;
    if (index >= fCount) return AddLast(value, key);
    if (index <= 0) return AddFirst(value, key);
    TKeyedListNode* before = NodeAt(index - 1);
    Link(new TKeyedListNode{key, value, nullptr, nullptr}, before, before->next);
    return true;
}

bool TKeyedList::AddUniqueFirst(uint32_t key, uintptr_t value) {
    if (ValueOfKey(key) != 0) return false;
    return AddFirst(value, key);
}

TKeyedListNode* TKeyedList::FindKey(uint32_t key) {
    if (fCache && fCache->key == key) return fCache;
    for (TKeyedListNode* node = fHead; node; node = node->next)
        if (node->key == key) return fCache = node;
    return nullptr;
}

TKeyedListNode* TKeyedList::FindValue(uintptr_t value) {
    if (fCache && fCache->value == value) return fCache;
    for (TKeyedListNode* node = fHead; node; node = node->next)
        if (node->value == value) return fCache = node;
    return nullptr;
}

uintptr_t TKeyedList::ValueOfKey(uint32_t key) {
    TKeyedListNode* node = FindKey(key);
    return node ? node->value : 0;
}

TKeyedListNode* TKeyedList::NodeAt(int32_t index) const {
    if (index < 0 || index >= fCount) return nullptr;
    TKeyedListNode* node = fHead;
    while (index-- > 0)
        node = node->next;
    return node;
}

uintptr_t TKeyedList::ValueAt(int32_t index) const {
    TKeyedListNode* node = NodeAt(index);
    return node ? node->value : 0;
}

bool TKeyedList::RemoveValue(uintptr_t value) {
    bool removed = false;
    for (TKeyedListNode* node = fHead; node;) {
        TKeyedListNode* next = node->next;
        if (node->value == value) {
            RemoveNode(node);
            removed = true;
        }
        node = next;
    }
    return removed;
}

uintptr_t TKeyedList::TakeNode(TKeyedListNode* node) {
    if (node == nullptr) return 0;
    uintptr_t value = node->value;
    RemoveNode(node);
    return value;
}

uintptr_t TKeyedList::RemoveAt(int32_t index) {
    return TakeNode(NodeAt(index));
}

uintptr_t TKeyedList::RemoveKey(uint32_t key) {
    return TakeNode(FindKey(key));
}

void TKeyedList::RemoveNode(TKeyedListNode* node) {
    for (TKeyedListIterator* it = fIterators; it; it = it->fNextIterator)
        it->NodeRemoved(node);
    (node->previous ? node->previous->next : fHead) = node->next;
    (node->next ? node->next->previous : fTail) = node->previous;
    if (fCache == node) fCache = nullptr;
    --fCount;
    delete node;
}

TKeyedListIterator::TKeyedListIterator(TKeyedList& list, bool reverse)
    : fReverse(reverse), fList(&list) {
    fNextIterator = list.fIterators;
    if (fNextIterator) fNextIterator->fPreviousIterator = this;
    list.fIterators = this;
    Reset();
}

TKeyedListIterator::~TKeyedListIterator() {
    Detach();
}

void TKeyedListIterator::Detach() {
    if (fList == nullptr) return;
    if (fPreviousIterator)
        fPreviousIterator->fNextIterator = fNextIterator;
    else
        fList->fIterators = fNextIterator;
    if (fNextIterator) fNextIterator->fPreviousIterator = fPreviousIterator;
    fPreviousIterator = fNextIterator = nullptr;
    fList = nullptr;
    fCurrent = fNext = nullptr;
}

void TKeyedListIterator::Reset() {
    fCurrent = nullptr;
    fNext = fList ? (fReverse ? fList->fTail : fList->fHead) : nullptr;
}

uintptr_t TKeyedListIterator::Next() {
    if (fNext == nullptr) return 0;
    fCurrent = fNext;
    fNext = fReverse ? fCurrent->previous : fCurrent->next;
    return fCurrent->value;
}

void TKeyedListIterator::NodeInserted(TKeyedListNode* node) {
    // The new node becomes the next step when it lies right between the node returned last
    // and the one that was to come: so a fresh iterator, or one that finished at the edge it
    // walks towards, also sees it.
    TKeyedListNode* behind = fReverse ? node->next : node->previous;
    TKeyedListNode* ahead = fReverse ? node->previous : node->next;
    if (fCurrent == behind && fNext == ahead) fNext = node;
}

void TKeyedListIterator::NodeRemoved(TKeyedListNode* node) {
    if (fNext == node) fNext = fReverse ? node->previous : node->next;
    if (fCurrent == node) fCurrent = nullptr;
}
