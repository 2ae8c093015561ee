#include "Assembler.h"

#include "ArgumentRead.h"
#include "FullWriter.h"
#include "KelCodes.h"
#include "NumberRead.h"
#include "ReservedAtoms.h"

#include <cstring>
#include <string>
#include <utility>

ZAssembler::ZAssembler(const ZAtomTable& table, const char* text, size_t length, uint32_t flags)
    : table_(table), tokens_(text, length, (flags & kelFlagFragment) != 0), flags_(flags),
      textType_(StartTextType(flags, ReservedAtoms::kTextTypePlain)) {}

int32_t ZAssembler::AssembleStream(ZBuffer& out) {
    return StreamLoop(out, false);
}

int32_t ZAssembler::AssembleArgument(const ZAtom& atom, ZBuffer& out) {
    if (int32_t result = ReadArgument(*this, atom, 0, out)) return result;
    if (!tokens_.Expect('>')) return kelMissingCloseBracket;
    return out.Length() > kMaxArgumentLength ? kelValueTooLarge : kelSuccess;
}

int32_t ZAssembler::ReadNestedStream(ZBuffer& out) {
    Level level(*this);
    if (level.TooDeep()) return kelBadFormat;
    return StreamLoop(out, true);
}

int32_t ZAssembler::StreamLoop(ZBuffer& out, bool nested) {
    for (;;) {
        if (nested && tokens_.NextIs('>')) return kelSuccess;
        ZToken token = tokens_.Read();
        if (token.Is(';')) { // back to the top: a nested stream may end after it
            if (int32_t result = WriteComment(out)) return result;
            continue;
        }
        if (token.Empty()) return kelSuccess;
        int32_t result;
        if (const ZAtom* atom = table_.FindAtomByName(token.Data(), token.Length()))
            result = AssembleAtom(*atom, out);
        else if (token.Equals("the_unknown"))
            result = AssembleUnknown(out);
        else
            result = kelUnrecognizedAtom;
        if (result != kelSuccess) return result;
        if (tokens_.AtEnd()) return kelSuccess;
    }
}

// The comment runs to the next CR or LF; one line break after it is consumed and counted.
int32_t ZAssembler::WriteComment(ZBuffer& out) {
    size_t length = 0;
    while (length < tokens_.Remaining() && !IsLineBreak(tokens_.At(length)))
        ++length;
    int32_t result =
        WriteFullAtom(out, ReservedAtoms::kCommentProtocol, ReservedAtoms::kCommentAtom,
                      reinterpret_cast<const uint8_t*>(tokens_.Current()), length);
    tokens_.Advance(length);
    tokens_.ConsumeLineBreak();
    return result;
}

// Prefix, header and atom byte first, so that a placeholder in the argument leaves them in
// the output; then the argument in angle brackets, or a rest of the line that is blank. The
// argument is read straight into `out`, behind its length field.
int32_t ZAssembler::AssembleAtom(const ZAtom& atom, ZBuffer& out) {
    if (int32_t result = WriteFullHeader(out, atom.scratchProtocol, atom.number)) return result;
    bool bracket = tokens_.NextIs('<');
    if (!bracket && !tokens_.RestOfLineBlank()) return kelMissingOpenBracket;
    size_t field = BeginFullArgument(out);
    if (bracket) {
        tokens_.Read();
        if (!tokens_.NextIs('>')) {
            if (int32_t result = ReadArgument(*this, atom, 0, out))
                return Interrupted(result, out, field);
        }
        if (!tokens_.Expect('>')) return Interrupted(kelMissingCloseBracket, out, field);
    }
    TrackTextType(atom, out.Data() + field + 1, out.Length() - field - 1);
    return EndArgument(out, field);
}

// the_unknown <protocol, atom, raw bytes>: what the disassembler shows for atoms missing
// from the table.
int32_t ZAssembler::AssembleUnknown(ZBuffer& out) {
    if (!tokens_.Expect('<')) return kelMissingOpenBracket;
    uint32_t protocol = ReadUnknownNumber();
    if (tokens_.NextIs(',')) tokens_.Read();
    uint32_t atom = ReadUnknownNumber();
    if (int32_t result = WriteFullHeader(out, protocol, atom)) return result;
    size_t field = BeginFullArgument(out);
    if (!tokens_.NextIs('>')) {
        if (tokens_.NextIs(',')) tokens_.Read();
        if (int32_t result = ReadRaw(tokens_, out)) return Interrupted(result, out, field);
    }
    if (!tokens_.Expect('>')) return Interrupted(kelMissingCloseBracket, out, field);
    return EndArgument(out, field);
}

uint32_t ZAssembler::ReadUnknownNumber() {
    ZToken token = tokens_.Read();
    return token.IsNumber() ? uint32_t(token.ReadSigned()) : 0;
}

int32_t ZAssembler::EndArgument(ZBuffer& out, size_t field) {
    int32_t result = EndFullArgument(out, field);
    if (result != kelSuccess) out.Truncate(field);
    return result;
}

int32_t ZAssembler::Interrupted(int32_t error, ZBuffer& out, size_t field) {
    if (tokens_.placeholder)
        partialArgument_.Assign(out.Data() + field + 1, out.Length() - field - 1);
    out.Truncate(field);
    return error;
}

// Atom 22 sets the type like atom 23: the assembler does not restore it after one atom.
void ZAssembler::TrackTextType(const ZAtom& atom, const uint8_t* argument, size_t length) {
    if (atom.scratchProtocol != ReservedAtoms::kControlProtocol) return;
    if (atom.number == ReservedAtoms::kTextTypeOnce || atom.number == ReservedAtoms::kTextTypeSet)
        textType_ = uint16_t(ReadArgumentNumber(argument, length));
    else if (atom.number == ReservedAtoms::kTextTypeReset)
        textType_ = ReservedAtoms::kTextTypePlain;
}

int32_t AssembleStream(const ZAtomTable& table, const char* text, uint32_t flags, ZBuffer& out,
                       uint32_t& line) {
    ZAssembler assembler(table, text, std::strlen(text), flags);
    ZBuffer stream;
    int32_t result = assembler.AssembleStream(stream);
    line = assembler.Tokens().line;
    if (result == kelSuccess) out = std::move(stream);
    return result;
}

int32_t AssembleFragment(const ZAtomTable& table, const char* text, uint32_t flags,
                         ZFragment& fragment) {
    ZAssembler assembler(table, text, std::strlen(text), flags | kelFlagFragment);
    ZBuffer stream;
    int32_t result = assembler.AssembleStream(stream);
    fragment.line = assembler.Tokens().line;
    if (result != kelSuccess && !assembler.Tokens().placeholder) return result;
    // The caller's buffer for the partial argument holds the largest argument only.
    if (assembler.PartialArgument().Length() > kMaxArgumentLength) return kelValueTooLarge;
    fragment.stream = std::move(stream);
    fragment.partialArgument = assembler.PartialArgument();
    fragment.consumed = assembler.Tokens().Position();
    return kelSuccess;
}

int32_t AssembleArgument(const ZAtomTable& table, uint16_t format, const char* text, uint32_t flags,
                         ZBuffer& out) {
    std::string source(text);
    source += '>';
    ZAssembler assembler(table, source.data(), source.size(), flags);
    ZAtom atom;
    atom.format = format;
    ZBuffer argument;
    int32_t result = assembler.AssembleArgument(atom, argument);
    if (result == kelSuccess) out = std::move(argument);
    return result;
}
