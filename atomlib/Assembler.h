#pragma once
// ZAssembler: turns the text form of an atom stream into a binary stream of Full-form atoms
// (docs/atom-text-read.md). One assembler serves one call and is then discarded; the table
// it is given must outlive it.

#include "AtomTable.h"
#include "KelFlags.h"
#include "TokenReader.h"
#include "ZBuffer.h"

#include <cstddef>
#include <cstdint>

// Nested streams and multi arguments deeper than this give 11 ("Bad Format").
constexpr uint32_t kMaxNesting = 256;

class ZAssembler {
public:
    ZAssembler(const ZAtomTable& table, const char* text, size_t length, uint32_t flags);

    // Runs the top-level stream loop into `out`. Returns 0 or the first error, found on
    // Tokens().line. After an error `out` holds the bytes written before it.
    int32_t AssembleStream(ZBuffer& out);
    // Reads the whole text as one argument of `atom` and then its closing ">".
    int32_t AssembleArgument(const ZAtom& atom, ZBuffer& out);

    // Format 6: a nested stream loop into `out`, ending before its closing ">".
    int32_t ReadNestedStream(ZBuffer& out);

    ZTokenReader& Tokens() { return tokens_; }
    const ZAtomTable& Table() const { return table_; }
    uint32_t Flags() const { return flags_; }
    // The current text type: set by protocol 0 atoms 22 and 23, reset by atom 24.
    uint16_t TextType() const { return textType_; }
    // The bytes of the argument a placeholder interrupted; empty when none.
    const ZBuffer& PartialArgument() const { return partialArgument_; }

    // One level of nesting (nested stream or multi argument) for its lifetime.
    class Level {
    public:
        explicit Level(ZAssembler& assembler) : depth_(++assembler.depth_) {}
        ~Level() { --depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
        bool TooDeep() const { return depth_ > kMaxNesting; }

    private:
        uint32_t& depth_;
    };

private:
    int32_t StreamLoop(ZBuffer& out, bool nested);
    int32_t WriteComment(ZBuffer& out);
    int32_t AssembleAtom(const ZAtom& atom, ZBuffer& out);
    int32_t AssembleUnknown(ZBuffer& out);
    uint32_t ReadUnknownNumber();
    // The argument behind the length field at `field` in `out` is complete: fills the field
    // in (24 for too many bytes, and then drops them and the field).
    int32_t EndArgument(ZBuffer& out, size_t field);
    // The argument behind the length field at `field` failed: keeps its bytes as the partial
    // argument when a placeholder was met, drops them and the field from `out` and returns
    // `error`.
    int32_t Interrupted(int32_t error, ZBuffer& out, size_t field);
    void TrackTextType(const ZAtom& atom, const uint8_t* argument, size_t length);

    const ZAtomTable& table_;
    ZTokenReader tokens_;
    uint32_t flags_;
    uint16_t textType_;
    uint32_t depth_ = 0;
    ZBuffer partialArgument_;
};

// The internal entry points of the library's assembly exports. `text` is NUL-terminated.

// Assembles a whole text. On success `out` receives the stream (its old content replaced);
// on failure it is left unchanged. `line` receives the line the assembler stopped on.
int32_t AssembleStream(const ZAtomTable& table, const char* text, uint32_t flags, ZBuffer& out,
                       uint32_t& line);

// What AssembleFragment hands back.
struct ZFragment {
    ZBuffer stream;          // the stream assembled up to the placeholder
    ZBuffer partialArgument; // the argument the placeholder interrupted (at most 32767 bytes)
    size_t consumed = 0;     // bytes of the text consumed; the rest begins at the placeholder
    uint32_t line = 1;
};

// Assembles with flag 0x02 added. Returns 0 when the text was assembled or a placeholder was
// met (also inside an argument), else the error; fragment.line is always set.
int32_t AssembleFragment(const ZAtomTable& table, const char* text, uint32_t flags,
                         ZFragment& fragment);

// Assembles `text` as one argument of `format`, as if it stood between "<" and ">", for a
// stand-alone atom without enumerations or multi components. `out` is replaced on success.
int32_t AssembleArgument(const ZAtomTable& table, uint16_t format, const char* text, uint32_t flags,
                         ZBuffer& out);

// The result of a stream export: 0, or (line << 16) | code with the line cut to 16 bits.
inline int32_t AssemblyResult(int32_t code, uint32_t line) {
    return code == 0 ? 0 : int32_t(((line & 0xFFFFu) << 16) | uint32_t(code));
}
