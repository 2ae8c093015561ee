#include "KeyedList.h"
#include "StringList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using V = std::vector<uintptr_t>;

V Values(TKeyedList& list) {
    V out;
    for (TKeyedListNode* n = list.Head(); n; n = n->next)
        out.push_back(n->value);
    return out;
}

} // namespace

// Value 0 and adds beyond the limit are refused; InsertAt and AddUniqueFirst refuse a key
// already there; lookups and removals by key, value and index (every node with a value goes).
TEST(KeyedList, AddsInsertsFindsAndRemoves) {
    TKeyedList limited(1), list;
    EXPECT_FALSE(limited.AddLast(uintptr_t(0)));
    EXPECT_TRUE(limited.AddFirst(2));
    EXPECT_FALSE(limited.AddLast(3));
    list.AddLast(10, 1);
    list.AddLast(20, 2);
    EXPECT_TRUE(list.InsertAt(5, 30, 0) && list.InsertAt(0, 5, 0) && list.InsertAt(2, 15, 7));
    EXPECT_FALSE(list.InsertAt(1, 99, 7) || list.AddUniqueFirst(2, 77));
    EXPECT_TRUE(list.AddUniqueFirst(9, 10));
    EXPECT_EQ(Values(list), (V{10, 5, 10, 15, 20, 30}));
    EXPECT_EQ(list.ValueAt(99) + list.ValueOfKey(42), 0u);
    EXPECT_EQ(list.ValueOfKey(2), 20u);
    EXPECT_EQ(list.RemoveKey(2), 20u); // the cached node goes away with it
    EXPECT_FALSE(list.ContainsValue(20));
    EXPECT_TRUE(list.RemoveValue(10) && !list.RemoveValue(10));
    EXPECT_EQ(list.RemoveAt(2), 30u);
    EXPECT_EQ(list.RemoveAt(2), 0u);
    EXPECT_EQ(Values(list), (V{5, 15}));
    EXPECT_EQ(list.Tail()->value, 15u);
}

// An iterator survives the removal of the node it returned last or would return next, sees
// nodes added ahead of it (a reverse one, behind it, does not), and is detached by Clear and
// by the list's destruction (ASan checks that it does not touch the list afterwards).
TEST(KeyedListIterator, SurvivesRemovalsAndSeesNodesAddedAhead) {
    auto list = std::make_unique<TKeyedList>();
    TKeyedListIterator it(*list), reverse(*list, true);
    for (uintptr_t v = 1; v <= 4; ++v) // a fresh iterator sees the first node
        list->AddLast(v);
    EXPECT_EQ(it.Next(), 1u);
    list->RemoveValue(2);
    EXPECT_EQ(it.Next(), 3u);
    list->RemoveValue(3);
    EXPECT_EQ(it.Current(), nullptr);
    list->AddFirst(9); // a removed current does not send it back to the head
    EXPECT_EQ(it.Next(), 4u);
    EXPECT_FALSE(it.HasMore());
    list->AddLast(5); // finished at the tail: sees the appended node
    EXPECT_EQ(it.Next(), 5u);
    std::string order;
    for (int i = 0; i < 4; ++i)
        order += std::to_string(reverse.Next());
    list->AddFirst(7);
    list->AddLast(6);
    EXPECT_EQ(order + std::to_string(reverse.Next()), "54197");
    EXPECT_FALSE(reverse.HasMore());
    list->Clear();
    EXPECT_FALSE(it.HasMore());
    list->AddLast(5);
    list.reset();
    EXPECT_EQ(it.Next(), 0u);
    it.Reset();
    EXPECT_FALSE(it.HasMore());
}

// Sorted lists order byte-wise, ascending or descending; an unsorted one keeps the order added.
TEST(StringList, SortsByteWiseAscendingAndDescending) {
    TStringList up(true), down(true, true), plain;
    std::string order;
    for (TStringList* list : {&up, &down, &plain}) {
        for (const char* s : {"b", "a", "c", "ab", "B"})
            list->Add(s);
        for (int i = 0; i <= list->Count(); ++i)
            order += list->StringAt(i) ? *list->StringAt(i) + " " : "| ";
    }
    EXPECT_EQ(order, "B a ab b c | c b ab a B | b a c ab B | ");
}
