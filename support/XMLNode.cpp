#include "XMLNode.h"

#include "Exception.h"

#include <algorithm>
#include <exception>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace {

// Storage a reused node keeps; anything larger is given back when the node goes to a pool.
constexpr size_t kKeptPairs = 64;
constexpr size_t kKeptBytes = 64 * 1024;

void Empty(std::string& text) {
    if (text.capacity() > kKeptBytes)
        std::string().swap(text);
    else
        text.clear();
}

} // namespace

TXMLAttributes::const_iterator TXMLAttributes::find(std::string_view name) const {
    auto found =
        std::lower_bound(begin(), end(), name, [](const value_type& pair, std::string_view n) {
            return std::string_view(pair.first) < n;
        });
    return found != end() && found->first == name ? found : end();
}

const std::string& TXMLAttributes::at(std::string_view name) const {
    auto found = find(name);
    if (found == end()) throw std::out_of_range("no attribute " + std::string(name));
    return found->second;
}

TXMLAttributes::value_type& TXMLAttributes::Append() {
    if (fCount == fPairs.size()) fPairs.emplace_back();
    value_type& pair = fPairs[fCount++];
    pair.first.clear();
    pair.second.clear();
    return pair;
}

ptrdiff_t TXMLAttributes::Sort(std::vector<uint32_t>& order) {
    auto name = [this](size_t i) { return std::string_view(fPairs[i].first); };
    bool ordered = true;
    for (size_t i = 1; i < fCount && ordered; ++i)
        ordered = name(i - 1) < name(i);
    if (ordered) return -1;
    // Pair indices by name, equal names in document order; no allocation once `order` is
    // large enough.
    order.resize(fCount);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        int compared = name(a).compare(name(b));
        return compared != 0 ? compared < 0 : a < b;
    });
    ptrdiff_t repeat = -1;
    for (size_t k = 1; k < fCount; ++k)
        if (name(order[k - 1]) == name(order[k]) && (repeat < 0 || order[k] < repeat))
            repeat = order[k];
    if (repeat >= 0) return repeat;
    // order[k] is the pair that belongs at k: move the pairs one cycle of that permutation at
    // a time (strings move without copying).
    for (size_t i = 0; i < fCount; ++i) {
        if (order[i] == i) continue;
        value_type held = std::move(fPairs[i]);
        for (size_t at = i;;) {
            size_t from = order[at];
            order[at] = uint32_t(at);
            if (from == i) {
                fPairs[at] = std::move(held);
                break;
            }
            fPairs[at] = std::move(fPairs[from]);
            at = from;
        }
    }
    return -1;
}

void TXMLAttributes::Clear(bool release) {
    fCount = 0;
    if (!release) return;
    if (fPairs.size() > kKeptPairs) {
        fPairs.resize(kKeptPairs);
        fPairs.shrink_to_fit();
    }
    for (value_type& pair : fPairs) {
        Empty(pair.first);
        Empty(pair.second);
    }
}

TXMLNode::TXMLNode(std::string name) : fName(std::move(name)) {}

// The nodes still to take, chained through nextSibling. Each node's children are moved onto
// the chain before it is taken, so `take` finds it with no parent and no children.
template <typename Take> void TXMLNode::TakeApart(TXMLNode* first, Take take) {
    TXMLNode* pending = first;
    while (pending != nullptr) {
        TXMLNode* node = pending;
        if (node->firstChild != nullptr) {
            node->fLastChild->nextSibling = node->nextSibling;
            pending = node->firstChild;
        } else {
            pending = node->nextSibling;
        }
        node->parent = node->nextSibling = node->firstChild = node->fLastChild = nullptr;
        take(node);
    }
}

TXMLNode::~TXMLNode() {
    Unlink();
    // Every delete below finds a node without children and does constant work.
    TakeApart(firstChild, [](TXMLNode* node) { delete node; });
}

void TXMLNode::Unlink() {
    if (parent == nullptr) return;
    TXMLNode* previous = nullptr;
    TXMLNode* child = parent->firstChild;
    while (child != this) {
        previous = child;
        child = child->nextSibling;
    }
    (previous ? previous->nextSibling : parent->firstChild) = nextSibling;
    if (parent->fLastChild == this) parent->fLastChild = previous;
    parent = nextSibling = nullptr;
}

void TXMLNode::SetEmpty(bool flag) {
    ThrowUnless(!flag || (fData.empty() && firstChild == nullptr));
    fEmpty = flag;
}

void TXMLNode::AppendData(const void* bytes, uint32_t count) {
    ThrowUnless(!fEmpty);
    try {
        fData.append(static_cast<const char*>(bytes), count);
    } catch (const std::exception&) { // no memory, or beyond the largest string
        throw TTolvException(errAssert);
    }
}

void TXMLNode::ClearData() {
    Empty(fData);
}

uint32_t TXMLNode::GetDataLength() {
    ThrowUnless(!fEmpty);
    return uint32_t(fData.size());
}

uint8_t* TXMLNode::LockData(uint32_t& count) {
    ThrowUnless(!fEmpty);
    count = uint32_t(fData.size());
    return fData.empty() ? nullptr : reinterpret_cast<uint8_t*>(fData.data());
}

void TXMLNode::UnlockData(uint8_t*) {
    ThrowUnless(!fEmpty);
}

void TXMLNode::AddChild(TXMLNode* child) {
    ThrowUnless(!fEmpty && child != nullptr);
    child->Unlink();
    child->parent = this;
    child->nextSibling = nullptr;
    (fLastChild ? fLastChild->nextSibling : firstChild) = child;
    fLastChild = child;
}

TXMLNodePool::~TXMLNodePool() {
    while (fFree != nullptr) {
        TXMLNode* node = fFree;
        fFree = node->nextSibling;
        node->nextSibling = nullptr;
        delete node;
    }
}

TXMLNode* TXMLNodePool::Take(std::string_view name) {
    if (fFree == nullptr) return new TXMLNode(std::string(name));
    TXMLNode* node = fFree;
    fFree = node->nextSibling;
    node->nextSibling = nullptr;
    node->fName.assign(name);
    return node;
}

void TXMLNodePool::Put(TXMLNode* node) {
    node->Unlink();
    TXMLNode::TakeApart(node, [this](TXMLNode* next) {
        next->fEmpty = false;
        next->offset = next->dataOffset = -1;
        Empty(next->fName);
        Empty(next->fData);
        next->attributes.Clear(true);
        next->nextSibling = fFree;
        fFree = next;
    });
}
