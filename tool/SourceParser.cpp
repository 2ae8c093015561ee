#include "SourceParser.h"

#include "Exception.h"

void TSourceParser::EndElement(LStream&, TXMLNode* node) {
    TXMLNode* root = GetRoot();
    if (node == root) {
        if (fDecoder != nullptr && !ListsRecords()) Decode(*root);
        return;
    }
    bool record = node->parent == root && ListsRecords();
    // The list's own text matters only for being there, which its data offset tells.
    if (record) root->ClearData();
    if (record && fDecoder != nullptr) Decode(*node);
    if (record || fDecoder == nullptr) Recycle(node);
}

void TSourceParser::Finish() {
    TXMLNode* root = GetRoot();
    if (fDecoder == nullptr || root == nullptr || GetOpenElement() == nullptr) return;
    TXMLNode* open = ListsRecords() ? root->firstChild : root;
    try {
        if (open != nullptr) Decode(*open);
    } catch (const TTolvException&) {
        // kept as the result
    }
}

void TSourceParser::Decode(TXMLNode& element) {
    try {
        fDecoder->DecodeElement(element);
    } catch (const TTolvException& failure) {
        fDecodeResult = failure.code >= 1 && failure.code <= 12 ? failure.code : 1;
        fThrownCode = failure.code;
        throw;
    }
}
