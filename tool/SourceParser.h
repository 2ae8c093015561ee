#pragma once
// TSourceParser: the parser of the two passes of the compiler over a source file, each of
// which keeps in memory only the open elements and the element being decoded.
//
// The checking pass (no decoder) finds every parse error before anything of the file is
// stored, and frees each element as it closes. The decoding pass hands each complete child of
// a record_list root, or a root of another kind once complete, to the decoder and frees it
// afterwards; a failure that stops the decoding ends the pass. Finish decodes what the input
// leaves open at its end, as it would have been decoded from a whole tree.

#include "RecordDecoder.h"
#include "XMLParser.h"

class TSourceParser : public TXMLParser {
public:
    // Decodes with `decoder`; without one, only checks (and keeps no character data). Nodes
    // come from `nodes`, which the passes over every file of a run share.
    TSourceParser(TXMLNodePool& nodes, TRecordDecoder* decoder)
        : TXMLParser(kWindowBytes, decoder != nullptr, &nodes), fDecoder(decoder) {}

    // After a Parse that succeeded: decodes the element left open at the end of the input.
    void Finish();
    // The decode error code that stopped the pass, or 0.
    uint32_t DecodeResult() const { return fDecodeResult; }
    // The code of the exception that stopped it.
    uint32_t ThrownCode() const { return fThrownCode; }

protected:
    void EndElement(LStream& stream, TXMLNode* node) override;

private:
    bool ListsRecords() const { return GetRoot()->GetName() == "record_list"; }
    // Decodes `element`; a failure is kept as the pass's result and thrown on.
    void Decode(TXMLNode& element);

    TRecordDecoder* fDecoder;
    uint32_t fDecodeResult = 0;
    uint32_t fThrownCode = 0;
};
