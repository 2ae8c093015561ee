#include "XMLNode.h"

#include "Exception.h"

#include <exception>
#include <utility>

TXMLNode::TXMLNode(std::string name) : fName(std::move(name)) {}

TXMLNode::~TXMLNode() {
    Unlink();
    // Descendants still to destroy, chained through nextSibling. Each node's children are
    // moved onto the chain before it is deleted, so every delete below finds no parent and
    // no children and does constant work.
    TXMLNode* pending = firstChild;
    while (pending != nullptr) {
        TXMLNode* node = pending;
        if (node->firstChild != nullptr) {
            node->fLastChild->nextSibling = node->nextSibling;
            pending = node->firstChild;
        } else {
            pending = node->nextSibling;
        }
        node->parent = node->nextSibling = node->firstChild = node->fLastChild = nullptr;
        delete node;
    }
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

void TXMLNode::AddAttribute(std::string name, std::string value) {
    ThrowUnless(attributes.emplace(std::move(name), std::move(value)).second);
}

void TXMLNode::AppendData(const void* bytes, uint32_t count) {
    ThrowUnless(!fEmpty);
    try {
        fData.append(static_cast<const char*>(bytes), count);
    } catch (const std::exception&) { // no memory, or beyond the largest string
        throw TTolvException(errAssert);
    }
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
