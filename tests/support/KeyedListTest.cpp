#include "KeyedList.h"
#include "StringList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uintptr_t> Values(TKeyedList& list) {
    std::vector<uintptr_t> out;
    for (TKeyedListNode* n = list.Head(); n; n = n->next)
        out.push_back(n->value);
    return out;
}

using V = std::vector<uintptr_t>;

} // namespace

TEST(KeyedList, RefusesZeroValuesAndRespectsTheLimit) {
    TKeyedList list(2);
    EXPECT_FALSE(list.AddLast(uintptr_t(0)));
    EXPECT_TRUE(list.AddLast(1));
    EXPECT_TRUE(list.AddFirst(2));
    EXPECT_FALSE(list.AddLast(3));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Values(list), (V{2, 1}));
}

TEST(KeyedList, InsertAtAppendsPrependsAndRefusesRepeatedKeys) {
    TKeyedList list;
    list.AddLast(10, 1);
    list.AddLast(20, 2);
    EXPECT_TRUE(list.InsertAt(5, 30, 0));
    EXPECT_TRUE(list.InsertAt(0, 5, 0));
    EXPECT_TRUE(list.InsertAt(2, 15, 7));
    EXPECT_FALSE(list.InsertAt(1, 99, 7));
    EXPECT_EQ(Values(list), (V{5, 10, 15, 20, 30}));
    EXPECT_FALSE(list.AddUniqueFirst(2, 77));
    EXPECT_TRUE(list.AddUniqueFirst(9, 77));
    EXPECT_EQ(list.ValueAt(0), 77u);
    EXPECT_EQ(list.ValueAt(99), 0u);
}

TEST(KeyedList, LookupsAndRemovals) {
    TKeyedList list;
    list.AddLast(10, 1);
    list.AddLast(20, 2);
    list.AddLast(10, 3);
    EXPECT_EQ(list.ValueOfKey(2), 20u);
    EXPECT_EQ(list.ValueOfKey(42), 0u);
    EXPECT_TRUE(list.ContainsValue(20));
    EXPECT_EQ(list.RemoveKey(2), 20u); // the cached node goes away with it
    EXPECT_FALSE(list.ContainsValue(20));
    EXPECT_TRUE(list.RemoveValue(10)); // every node with the value
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.RemoveValue(10));
    EXPECT_EQ(list.RemoveAt(0), 0u);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Tail(), nullptr);
}

TEST(KeyedListIterator, SurvivesRemovalOfItsNextAndCurrentNodes) {
    TKeyedList list;
    for (uintptr_t v = 1; v <= 4; ++v)
        list.AddLast(v);
    TKeyedListIterator it(list);
    EXPECT_EQ(it.Next(), 1u);
    list.RemoveValue(2); // the node it would return next
    EXPECT_EQ(it.Next(), 3u);
    list.RemoveValue(3); // the node it returned last
    EXPECT_EQ(it.Current(), nullptr);
    list.AddFirst(9); // a removed current does not send it back to the head
    EXPECT_EQ(it.Next(), 4u);
    EXPECT_FALSE(it.HasMore());
}

TEST(KeyedListIterator, SeesNodesAddedAtTheEndItWalksTowards) {
    TKeyedList list;
    TKeyedListIterator fresh(list);
    list.AddLast(1);
    EXPECT_EQ(fresh.Next(), 1u);
    EXPECT_FALSE(fresh.HasMore());
    list.AddLast(2); // finished at the tail: sees the appended node
    EXPECT_EQ(fresh.Next(), 2u);

    TKeyedListIterator reverse(list, true);
    EXPECT_EQ(reverse.Next(), 2u);
    EXPECT_EQ(reverse.Next(), 1u);
    list.AddFirst(0);
    EXPECT_EQ(reverse.Next(), 0u);
    list.AddLast(3); // behind a reverse iterator: not seen
    EXPECT_FALSE(reverse.HasMore());
}

TEST(KeyedListIterator, ClearAndDestructionDetach) {
    auto* list = new TKeyedList;
    list->AddLast(1);
    list->AddLast(2);
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
    TStringList up(true);
    for (const char* s : {"b", "a", "c", "ab", "B"})
        up.Add(s);
    std::vector<std::string> got;
    for (int i = 0; i < up.Count(); ++i)
        got.push_back(*up.StringAt(i));
    EXPECT_EQ(got, (std::vector<std::string>{"B", "a", "ab", "b", "c"}));

    TStringList down(true, true);
    for (const char* s : {"b", "a", "c"})
        down.Add(s);
    EXPECT_EQ(*down.StringAt(0), "c");
    EXPECT_EQ(*down.StringAt(2), "a");
    EXPECT_EQ(down.StringAt(3), nullptr);

    TStringList plain;
    plain.Add("z");
    plain.Add("a");
    EXPECT_EQ(*plain.StringAt(0), "z");
}
