#pragma once
// TXMLNode: one element of a parsed XML document: name, attributes, character data, children.
// TXMLAttributes: its attribute table. TXMLNodePool: nodes kept for reuse.
//
// There are no text, comment or attribute nodes. A node owns its children; users walk a tree
// through the public links (firstChild, then nextSibling) and read the attribute table
// directly, but change the tree only through AddChild and by deleting nodes (or handing them
// to a pool).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TXMLParser;

// The attributes of an element, ordered by name in byte order; names are unique. Pairs are
// appended in document order and ordered once, by Sort, when the start tag is complete; the
// pairs' storage is kept for reuse when the table is cleared.
class TXMLAttributes {
public:
    using value_type = std::pair<std::string, std::string>;
    using const_iterator = std::vector<value_type>::const_iterator;

    const_iterator begin() const { return fPairs.begin(); }
    const_iterator end() const { return fPairs.begin() + ptrdiff_t(fCount); }
    bool empty() const { return fCount == 0; }
    size_t size() const { return fCount; }
    // The pair named `name`, or end(). The table must be ordered.
    const_iterator find(std::string_view name) const;
    // The value of `name`; throws std::out_of_range when there is none.
    const std::string& at(std::string_view name) const;

    // Appends a pair with empty strings (their storage reused) for the caller to fill.
    value_type& Append();
    // Orders the pairs by name. Returns the index, in the order appended, of the first pair
    // whose name an earlier pair has (the table is then left unordered), or -1. `order` is
    // scratch space for the caller to keep between calls.
    ptrdiff_t Sort(std::vector<uint32_t>& order);
    // Empties the table; with `release`, also gives back storage beyond a small amount.
    void Clear(bool release);

private:
    std::vector<value_type> fPairs; // the first fCount are in use
    size_t fCount = 0;
};

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

    // The data operations throw errAssert on an empty node; AppendData also when the data
    // cannot grow. LockData's pointer (null while there is no data) stays valid until the
    // next AppendData.
    void AppendData(const void* bytes, uint32_t count);
    uint32_t GetDataLength();
    uint8_t* LockData(uint32_t& count);
    void UnlockData(uint8_t* pointer);
    // The data bytes (empty for an empty node), valid until the data next changes.
    std::string_view Data() const { return fData; }
    // Empties the data (its offset stays), freeing a large block: for a reader that has used
    // the text or only needs to know it was there.
    void ClearData();

    // Takes ownership of `child` (unlinking it from any old parent) and appends it at the end
    // of the child list; throws errAssert, taking nothing, on an empty node or a null child.
    void AddChild(TXMLNode* child);

    // Attributes ordered by name in byte order; names are unique.
    TXMLAttributes attributes;
    TXMLNode* parent = nullptr;      // null for a root
    TXMLNode* nextSibling = nullptr; // the following child of the same parent
    TXMLNode* firstChild = nullptr;
    // Where the parser found the element: the stream offsets of the "<" of its start tag and
    // of the first byte of its data (-1 when unknown or when it never had any).
    int32_t offset = -1;
    int32_t dataOffset = -1;

private:
    friend class TXMLParser;   // appends character data in place
    friend class TXMLNodePool; // resets nodes for reuse
    void Unlink();
    // Hands `first`, its following siblings and all their descendants to `take` one by one,
    // each without parent, siblings or children, in constant stack: a tree of any depth is
    // taken apart without recursion (destruction, the node pool).
    template <typename Take> static void TakeApart(TXMLNode* first, Take take);

    bool fEmpty = false;
    std::string fName;
    // The data bytes, held exactly: a document's tree holds many small texts.
    std::string fData;
    // The end of the child list, so that appending a child costs O(1).
    TXMLNode* fLastChild = nullptr;
};

// Nodes given back by a parser that frees elements as it goes, handed out again for new
// elements so that parsing allocates nothing per element once the pool is warm. A node keeps
// its storage for names, data and attributes up to a small size, so that reuse allocates
// nothing either, while one huge element does not stay held.
class TXMLNodePool {
public:
    TXMLNodePool() = default;
    TXMLNodePool(const TXMLNodePool&) = delete;
    TXMLNodePool& operator=(const TXMLNodePool&) = delete;
    // Deletes the nodes it holds.
    ~TXMLNodePool();

    // A node named `name` in the state of a new one: not empty, no data, attributes or links.
    TXMLNode* Take(std::string_view name);
    // Takes `node`, unlinked from its parent first, with its whole subtree (without recursion).
    void Put(TXMLNode* node);

private:
    TXMLNode* fFree = nullptr; // chained through nextSibling
};
