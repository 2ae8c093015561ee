#pragma once
// ZDisassembler: the working state of one disassembly, normalisation or callback walk, and
// the per-atom handler that serves all three (docs/atom-stream-text.md, "Showing").

#include "ArgumentShow.h"
#include "AtomStream.h"
#include "AtomTable.h"
#include "LargeAtom.h"
#include "ZBuffer.h"
#include "ZString.h"

#include <cstddef>
#include <cstdint>

// What survives from one call to the next (the packed KelDisassemblyState record maps to
// and from it). A default-constructed state is the initial one.
struct ZDisassemblyState {
    int32_t indent = 0; // a negative level is read as 0
    uint16_t textType = 0;
    uint16_t savedTextType = 0;
    bool restorePending = false; // the current text type holds for one more atom only
    ZDecoderState decoder;
    ZLargeAtom large; // the pending large atom: protocol, atom, bytes collected so far
};

// The callback of a callback walk (the signature of KelAtomCallback): 0 goes on, anything
// else ends the walk with that result.
using ZAtomCallback = int32_t (*)(uint32_t user, uint16_t protocol, uint16_t atom,
                                  const uint8_t* data, uint16_t length);

// Stream arguments nest at most this deep; a deeper one ends the walk with 11.
constexpr int kMaxStreamNesting = 256;
// Indentation shows at most this many levels (two blanks each); deeper levels are counted
// but print no more blanks, so that the output stays linear in the input.
constexpr int32_t kMaxShownIndent = 256;

class ZDisassembler final : public ZNestedStreamShower {
public:
    // Starts a call on `state`, which the caller keeps: the text type comes from the flags
    // (else stays the state's), the saved type becomes equal to it unless a restore is
    // pending, `out` is emptied.
    ZDisassembler(const ZAtomTable& table, uint32_t flags, ZDisassemblyState& state, ZString& out);

    // Makes flag 0x08 hand every atom to `callback` instead of printing it.
    void SetCallback(ZAtomCallback callback, uint32_t user);
    // The atoms written in Full form under flag 0x04.
    ZBuffer& Normalized() { return normalized_; }

    // Walks a whole stream on from the state's decoder state.
    int32_t WalkStream(const uint8_t* data, size_t length);
    // The per-atom handler: large-atom pieces, normalisation, callback, comment atom, atoms
    // of the table, unknown atoms. Returns 0 or the code that ends the walk.
    int32_t HandleAtom(const ZStreamAtom& atom);
    // Shows `length` bytes as the argument of a stand-alone atom of `format`.
    int32_t ShowArgumentAlone(uint16_t format, const uint8_t* data, size_t length);

    // Walks a stream argument from a fresh decoder state, with flag 0x20 off meanwhile.
    int32_t ShowNestedStream(const uint8_t* data, size_t length) override;

private:
    int32_t Walk(const uint8_t* data, size_t length, ZDecoderState& decoder);
    int32_t HandleWhole(const ZStreamAtom& atom);
    int32_t CallBack(const ZStreamAtom& atom);
    void ShowComment(const ZStreamAtom& atom);
    void ShowUnknown(const ZStreamAtom& atom);
    int32_t ShowKnown(const ZAtom& entry, const ZStreamAtom& atom);
    int32_t ShowBracketedArgument(const ZAtom& entry, const ZStreamAtom& atom);
    int32_t ShowStreamArgument(const ZStreamAtom& atom);
    void TrackTextType(const ZStreamAtom& atom);

    void Indent();
    void Outdent();
    void AppendIndentation();
    void EndLine();
    bool Alternate() const;

    const ZAtomTable& table_;
    uint32_t flags_;
    ZDisassemblyState& state_;
    ZString& out_;
    ZBuffer normalized_;
    ZAtomCallback callback_ = nullptr;
    uint32_t user_ = 0;
    int depth_ = 0; // nesting of stream arguments below the walked stream
};
