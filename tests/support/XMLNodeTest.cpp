#include "XMLNode.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

uint32_t CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

std::vector<std::string> ChildNames(const TXMLNode& node) {
    std::vector<std::string> names;
    for (TXMLNode* child = node.firstChild; child != nullptr; child = child->nextSibling)
        names.push_back(child->GetName());
    return names;
}

} // namespace

TEST(XMLNode, EmptyNodesRefuseDataAndChildren) {
    TXMLNode node("a");
    EXPECT_FALSE(node.IsEmpty());
    node.SetEmpty(true);
    EXPECT_TRUE(node.IsEmpty());
    uint32_t count = 0;
    EXPECT_EQ(CodeOf([&] { node.AppendData("x", 1); }), errAssert);
    EXPECT_EQ(CodeOf([&] { node.GetDataLength(); }), errAssert);
    EXPECT_EQ(CodeOf([&] { node.LockData(count); }), errAssert);
    EXPECT_EQ(CodeOf([&] { node.UnlockData(nullptr); }), errAssert);
    auto* child = new TXMLNode("c");
    EXPECT_EQ(CodeOf([&] { node.AddChild(child); }), errAssert);
    EXPECT_EQ(child->parent, nullptr); // refused: the caller still owns it
    node.SetEmpty(false);
    node.AddChild(child);
    EXPECT_EQ(CodeOf([&] { node.SetEmpty(true); }), errAssert);
    EXPECT_EQ(CodeOf([&] { node.AddChild(nullptr); }), errAssert);

    TXMLNode withData("d");
    withData.AppendData("xy", 2);
    EXPECT_EQ(CodeOf([&] { withData.SetEmpty(true); }), errAssert);
    EXPECT_EQ(withData.GetDataLength(), 2u);
    uint8_t* bytes = withData.LockData(count);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), count), "xy");
    withData.UnlockData(bytes);
}

TEST(XMLNode, AttributesAreUniqueAndOrderedByBytes) {
    TXMLNode node("a");
    node.AddAttribute("b", "2");
    node.AddAttribute("B", "1");
    node.AddAttribute("\xE9", "3"); // byte order: above every ASCII letter
    EXPECT_EQ(CodeOf([&] { node.AddAttribute("b", "other"); }), errAssert);
    std::string order;
    for (const auto& [name, value] : node.attributes)
        order += value;
    EXPECT_EQ(order, "123");
}

TEST(XMLNode, DeletingAChildUnlinksItAndKeepsAppendingRight) {
    TXMLNode root("root");
    TXMLNode* kids[4];
    for (int i = 0; i < 4; ++i) {
        kids[i] = new TXMLNode(std::string(1, char('a' + i)));
        root.AddChild(kids[i]);
        kids[i]->AddChild(new TXMLNode("grandchild"));
    }
    delete kids[1]; // middle
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a", "c", "d"}));
    delete kids[3]; // last: the next child must follow "c"
    root.AddChild(new TXMLNode("e"));
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a", "c", "e"}));
    delete kids[0]; // first
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"c", "e"}));
    EXPECT_EQ(root.firstChild->parent, &root);

    TXMLNode other("other"); // adding moves a child from its old parent
    other.AddChild(kids[2]);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"e"}));
    EXPECT_EQ(ChildNames(other), (std::vector<std::string>{"c"}));
    EXPECT_EQ(kids[2]->parent, &other);
}

TEST(XMLNode, WideAndDeepTreesAreDestroyedIteratively) {
    auto* root = new TXMLNode("root");
    TXMLNode* deep = root;
    for (int i = 0; i < 200000; ++i) {
        root->AddChild(new TXMLNode("wide"));
        auto* next = new TXMLNode("deep");
        deep->AddChild(next);
        deep = next;
    }
    delete root; // ASan reports any node left behind
}
