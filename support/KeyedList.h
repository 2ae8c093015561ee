#pragma once
// TKeyedList: a doubly linked list of (key, value) nodes whose iterators survive changes.
//
// Values are pointer-sized and never 0 (0 is refused on insertion, so 0 means "absent" in the
// lookups). The list never owns what its values point to. Every live iterator is known to the
// list, which corrects it when a node is inserted next to it or removed.

#include <cstdint>

struct TKeyedListNode {
    uint32_t key;
    uintptr_t value;
    TKeyedListNode* next;
    TKeyedListNode* previous;
};

class TKeyedListIterator;

class TKeyedList {
public:
    // limit: the largest count allowed; 0 means no limit.
    explicit TKeyedList(uint32_t limit = 0);
    TKeyedList(const TKeyedList&) = delete;
    TKeyedList& operator=(const TKeyedList&) = delete;
    // Detaches every live iterator, then clears.
    virtual ~TKeyedList();

    // Frees every node; live iterators are reset and have nothing more to return.
    void Clear();
    int32_t Count() const { return fCount; }

    // False (nothing changes) for value 0 or a full list.
    bool AddFirst(uintptr_t value, uint32_t key = 0);
    bool AddLast(uintptr_t value, uint32_t key = 0);
    // The new node becomes the node at `index` (appended at or beyond the count); also false
    // when key is non-zero and already present.
    bool InsertAt(int32_t index, uintptr_t value, uint32_t key = 0);
    // False when the key already has a value.
    bool AddUniqueFirst(uint32_t key, uintptr_t value);

    // Searches try the node found last first, then walk from the head; a hit is remembered.
    TKeyedListNode* FindKey(uint32_t key);
    TKeyedListNode* FindValue(uintptr_t value);
    uintptr_t ValueOfKey(uint32_t key);
    uintptr_t ValueAt(int32_t index) const;
    bool ContainsValue(uintptr_t value) { return FindValue(value) != nullptr; }

    // Removes every node holding `value`; false when there was none.
    bool RemoveValue(uintptr_t value);
    // Remove one node and return its value, or 0 when there is none.
    uintptr_t RemoveAt(int32_t index);
    uintptr_t RemoveKey(uint32_t key);
    void RemoveNode(TKeyedListNode* node);

    TKeyedListNode* Head() const { return fHead; }
    TKeyedListNode* Tail() const { return fTail; }

    // Pointer conveniences over the value word.
    template <typename T> bool AddLast(T* value, uint32_t key = 0) {
        return AddLast(reinterpret_cast<uintptr_t>(value), key);
    }
    template <typename T> bool AddFirst(T* value, uint32_t key = 0) {
        return AddFirst(reinterpret_cast<uintptr_t>(value), key);
    }

private:
    friend class TKeyedListIterator;

    bool CanAdd(uintptr_t value) const;
    TKeyedListNode* NodeAt(int32_t index) const;
    // Removes `node` (none when null) and returns its value, or 0.
    uintptr_t TakeNode(TKeyedListNode* node);
    // Links a new node between `previous` and `next` (either may be null) and tells the
    // iterators.
    void Link(TKeyedListNode* node, TKeyedListNode* previous, TKeyedListNode* next);

    TKeyedListNode* fHead = nullptr;
    TKeyedListNode* fTail = nullptr;
    TKeyedListNode* fCache = nullptr;
    int32_t fCount = 0;
    uint32_t fLimit;
    TKeyedListIterator* fIterators = nullptr; // the most recently created live iterator
};

class TKeyedListIterator {
public:
    TKeyedListIterator(TKeyedList& list, bool reverse = false);
    TKeyedListIterator(const TKeyedListIterator&) = delete;
    TKeyedListIterator& operator=(const TKeyedListIterator&) = delete;
    ~TKeyedListIterator();

    void Reset();
    bool HasMore() const { return fNext != nullptr; }
    // The next value, or 0 when there is none.
    uintptr_t Next();
    // The node returned last (null before the first step or after it was removed).
    TKeyedListNode* Current() const { return fCurrent; }

private:
    friend class TKeyedList;

    void Detach();
    void NodeInserted(TKeyedListNode* node);
    void NodeRemoved(TKeyedListNode* node);

    bool fReverse;
    TKeyedList* fList;
    TKeyedListNode* fCurrent = nullptr;
    TKeyedListNode* fNext = nullptr;
    TKeyedListIterator* fPreviousIterator = nullptr;
    TKeyedListIterator* fNextIterator = nullptr;
};
