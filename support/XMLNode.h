#pragma once
// TXMLNode: one element of a parsed XML document: name, attributes, character data, children.
//
// There are no text, comment or attribute nodes. A node owns its children; users walk a tree
// through the public links (firstChild, then nextSibling) and read the attribute table
// directly, but change the tree only through AddChild and by deleting nodes.

#include <cstdint>
#include <map>
#include <string>

class TXMLNode {
public:
    explicit TXMLNode(std::string name);
    TXMLNode(const TXMLNode&) = delete;
    TXMLNode& operator=(const TXMLNode&) = delete;
    // Unlinks the node from its parent, then destroys its whole subtree without recursion, so
    // trees of any depth can be destroyed on a small stack.
    ~TXMLNode();

    const std::string& GetName() const { return fName; }
    // True for an element written as an empty-element tag ("<name/>").
    bool IsEmpty() const { return fEmpty; }
    // Throws errAssert when setting true on a node that already has data or a child.
    void SetEmpty(bool flag);
    // Throws errAssert when `name` is already present.
    void AddAttribute(std::string name, std::string value);

    // The data operations throw errAssert on an empty node; AppendData also when the data
    // cannot grow. LockData's pointer (null while there is no data) stays valid until the
    // next AppendData.
    void AppendData(const void* bytes, uint32_t count);
    uint32_t GetDataLength();
    uint8_t* LockData(uint32_t& count);
    void UnlockData(uint8_t* pointer);

    // Takes ownership of `child` (unlinking it from any old parent) and appends it at the end
    // of the child list; throws errAssert, taking nothing, on an empty node or a null child.
    void AddChild(TXMLNode* child);

    // Attributes ordered by name in byte order; names are unique.
    std::map<std::string, std::string> attributes;
    TXMLNode* parent = nullptr;      // null for a root
    TXMLNode* nextSibling = nullptr; // the following child of the same parent
    TXMLNode* firstChild = nullptr;

private:
    void Unlink();

    bool fEmpty = false;
    std::string fName;
    // The data bytes, held exactly: a document's tree holds many small texts.
    std::string fData;
    // The end of the child list, so that appending a child costs O(1).
    TXMLNode* fLastChild = nullptr;
};
