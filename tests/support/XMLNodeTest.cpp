#include "XMLNode.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ChildNames(const TXMLNode& node) {
    std::string names;
    for (TXMLNode* child = node.firstChild; child != nullptr; child = child->nextSibling)
        names += child->GetName();
    return names;
}

} // namespace

// An empty node refuses data and children (a refused child stays the caller's); a node with
// either cannot become empty. (Attributes are the parser tests' part.)
TEST(XMLNode, EmptyNodesRefuseDataAndChildren) {
    TXMLNode node("a"), withData("d");
    node.SetEmpty(true);
    EXPECT_EQ(CodeOf([&] { node.AppendData("x", 1); }), errAssert);
    auto* child = new TXMLNode("c");
    EXPECT_EQ(CodeOf([&] { node.AddChild(child); }), errAssert);
    EXPECT_EQ(child->parent, nullptr); // refused: the caller still owns it
    node.SetEmpty(false);
    node.AddChild(child);
    EXPECT_EQ(CodeOf([&] { node.SetEmpty(true); }), errAssert);
    withData.AppendData("xy", 2);
    EXPECT_EQ(CodeOf([&] { withData.SetEmpty(true); }), errAssert);
}

// Deleting a child, first, middle or last, unlinks it so that appending goes on right; adding
// a child of another parent moves it. A subtree of any depth is destroyed without recursion
// (ASan reports the stack overflow of a recursive destructor at 300000 levels).
TEST(XMLNode, DeletingAChildUnlinksItAndKeepsAppendingRight) {
    TXMLNode root("root"), other("other");
    TXMLNode* kids[4];
    for (int i = 0; i < 4; ++i) {
        root.AddChild(kids[i] = new TXMLNode(std::string(1, char('a' + i))));
        kids[i]->AddChild(new TXMLNode("grandchild"));
    }
    delete kids[1]; // middle
    delete kids[3]; // last: the next child must follow "c"
    root.AddChild(new TXMLNode("e"));
    EXPECT_EQ(ChildNames(root), "ace");
    delete kids[0]; // first
    EXPECT_EQ(root.firstChild->parent, &root);
    other.AddChild(kids[2]); // adding moves a child from its old parent
    EXPECT_EQ(ChildNames(root) + "|" + ChildNames(other), "e|c");
    EXPECT_EQ(kids[2]->parent, &other);
    TXMLNode* deepest = kids[2]->firstChild;
    for (int i = 0; i < 300000; ++i, deepest = deepest->firstChild)
        deepest->AddChild(new TXMLNode("d"));
}
