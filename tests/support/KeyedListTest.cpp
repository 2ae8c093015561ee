#include "KeyedList.h"
#include "StringList.h"

#include <gtest/gtest.h>

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

TEST(KeyedList, AddsInsertsFindsAndRemoves) {
    TKeyedList limited(2);
    EXPECT_FALSE(limited.AddLast(uintptr_t(0)));
    EXPECT_TRUE(limited.AddLast(1) && limited.AddFirst(2));
    EXPECT_FALSE(limited.AddLast(3));
    EXPECT_EQ(Values(limited), (V{2, 1}));

    TKeyedList list;
    list.AddLast(10, 1);
    list.AddLast(20, 2);
    EXPECT_TRUE(list.InsertAt(5, 30, 0) && list.InsertAt(0, 5, 0) && list.InsertAt(2, 15, 7));
    EXPECT_FALSE(list.InsertAt(1, 99, 7)); // key 7 is there
    EXPECT_FALSE(list.AddUniqueFirst(2, 77));
    EXPECT_TRUE(list.AddUniqueFirst(9, 10));
    EXPECT_EQ(Values(list), (V{10, 5, 10, 15, 20, 30}));
    EXPECT_EQ(list.ValueAt(99) + list.ValueOfKey(42), 0u);
    EXPECT_EQ(list.ValueOfKey(2), 20u);
    EXPECT_EQ(list.RemoveKey(2), 20u); // the cached node goes away with it
    EXPECT_FALSE(list.ContainsValue(20));
    EXPECT_TRUE(list.RemoveValue(10)); // every node with the value
    EXPECT_FALSE(list.RemoveValue(10));
    EXPECT_EQ(list.RemoveAt(2), 30u);
    EXPECT_EQ(list.RemoveAt(2), 0u);
    EXPECT_EQ(Values(list), (V{5, 15}));
    EXPECT_EQ(list.Tail()->value, 15u);
}

TEST(KeyedListIterator, SurvivesRemovalsAndSeesNodesAddedAhead) {
    TKeyedList list;
    TKeyedListIterator it(list), reverse(list, true);
    list.AddLast(1); // a fresh iterator sees the first node
    for (uintptr_t v = 2; v <= 4; ++v)
        list.AddLast(v);
    EXPECT_EQ(it.Next(), 1u);
    list.RemoveValue(2); // the node it would return next
    EXPECT_EQ(it.Next(), 3u);
    list.RemoveValue(3); // the node it returned last
    EXPECT_EQ(it.Current(), nullptr);
    list.AddFirst(9); // a removed current does not send it back to the head
    EXPECT_EQ(it.Next(), 4u);
    EXPECT_FALSE(it.HasMore());
    list.AddLast(5); // finished at the tail: sees the appended node
    EXPECT_EQ(it.Next(), 5u);

    EXPECT_EQ(reverse.Next(), 5u);
    EXPECT_EQ(reverse.Next(), 4u);
    EXPECT_EQ(reverse.Next(), 1u);
    EXPECT_EQ(reverse.Next(), 9u);
    list.AddFirst(0);
    list.AddLast(6); // behind a reverse iterator: not seen
    EXPECT_EQ(reverse.Next(), 0u);
    EXPECT_FALSE(reverse.HasMore());
}

TEST(KeyedListIterator, ClearAndDestructionDetach) {
    auto* list = new TKeyedList;
    list->AddLast(1);
    TKeyedListIterator it(*list);
    list->Clear();
    EXPECT_FALSE(it.HasMore());
    list->AddLast(5);
    delete list; // the iterator outlives the list and must not touch it
    EXPECT_FALSE(it.HasMore());
    EXPECT_EQ(it.Next(), 0u);
    it.Reset();
    EXPECT_FALSE(it.HasMore());
}

TEST(StringList, SortsByteWiseAscendingAndDescending) {
    TStringList up(true), down(true, true), plain;
    for (const char* s : {"b", "a", "c", "ab", "B"}) {
        up.Add(s);
        down.Add(s);
        plain.Add(s);
    }
    std::string order;
    for (TStringList* list : {&up, &down, &plain})
        for (int i = 0; i <= list->Count(); ++i)
            order += list->StringAt(i) ? *list->StringAt(i) + " " : "| ";
    EXPECT_EQ(order, "B a ab b c | c b ab a B | b a c ab B | ");
}
