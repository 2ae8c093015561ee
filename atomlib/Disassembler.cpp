#include "Disassembler.h"

#include "ArgumentFormats.h"
#include "FullWriter.h"
#include "KelCodes.h"
#include "KelFlags.h"
#include "ReservedAtoms.h"

#include <cstdint>
#include <limits>
#include <string>

using namespace ReservedAtoms;

namespace {

// In the alternate syntax these formats show without "<" (and the second list without ">").
bool DropsOpenBracket(uint16_t format) {
    return format == kFormatRaw || format == kFormatString || format == kFormatGlobalId ||
           format == kFormatByteList || format >= kFormatMulti;
}

bool DropsCloseBracket(uint16_t format) {
    return DropsOpenBracket(format) || format == kFormatObjectName;
}

bool EndsWithEmptyBrackets(const ZString& out) {
    size_t n = out.Length();
    return n >= 2 && out.At(n - 1) == '<' && out.At(n) == '>';
}

// Atom names print in lower case (A-Z only), whatever the table stores.
void AppendLowerCase(ZString& out, const ZString& name) {
    for (size_t i = 1; i <= name.Length(); ++i) {
        char c = name.At(i);
        out.Append(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    }
}

} // namespace

ZDisassembler::ZDisassembler(const ZAtomTable& table, uint32_t flags, ZDisassemblyState& state,
                             ZString& out)
    : table_(table), flags_(flags), state_(state), out_(out) {
    state_.textType = StartTextType(flags, state_.textType);
    // A one-atom type set at the end of the last call still returns to the type before it.
    if (!state_.restorePending) state_.savedTextType = state_.textType;
    if (state_.indent < 0) state_.indent = 0;
    out_.Clear();
}

void ZDisassembler::SetCallback(ZAtomCallback callback, uint32_t user) {
    callback_ = callback;
    user_ = user;
}

int32_t ZDisassembler::WalkStream(const uint8_t* data, size_t length) {
    return Walk(data, length, state_.decoder);
}

int32_t ZDisassembler::Walk(const uint8_t* data, size_t length, ZDecoderState& decoder) {
    ZString* comments = (flags_ & kelFlagDecodingComments) ? &out_ : nullptr;
    return WalkAtomStream(data, length, decoder, comments,
                          [this](const ZStreamAtom& atom) { return HandleAtom(atom); });
}

int32_t ZDisassembler::ShowNestedStream(const uint8_t* data, size_t length) {
    if (depth_ >= kMaxStreamNesting) return kelBadFormat;
    uint32_t flags = flags_;
    flags_ &= ~uint32_t(kelFlagSingleAtom);
    ++depth_;
    ZDecoderState fresh;
    int32_t result = Walk(data, length, fresh);
    --depth_;
    flags_ = flags;
    return result;
}

// The joined atom of a large atom goes on to the rest of the handler, never back to the
// large-atom rule: a large atom recorded as protocol 0 atom 6 would otherwise join forever.
int32_t ZDisassembler::HandleAtom(const ZStreamAtom& atom) {
    if (!ZLargeAtom::IsPiece(atom)) return HandleWhole(atom);
    if (flags_ & kelFlagSingleAtom) return kelSuccess;
    return state_.large.Take(atom,
                             [this](const ZStreamAtom& joined) { return HandleWhole(joined); });
}

int32_t ZDisassembler::HandleWhole(const ZStreamAtom& atom) {
    if (flags_ & kelFlagNormalize)
        return WriteFullAtom(normalized_, atom.protocol, atom.atom, atom.data, atom.length);
    if ((flags_ & kelFlagCallbacks) && callback_) return CallBack(atom);
    if (atom.protocol == kCommentProtocol && atom.atom == kCommentAtom) {
        ShowComment(atom);
        return kelSuccess;
    }
    const ZAtom* entry = table_.FindAtom(kDisassemblyClass, atom.protocol, atom.atom);
    if (!entry) {
        ShowUnknown(atom);
        return kelSuccess;
    }
    if (entry->format == kFormatHidden) return kelSuccess;
    int32_t result = ShowKnown(*entry, atom);
    TrackTextType(atom);
    return result;
}

// The callback's length is 16 bits wide; a joined large atom longer than that is refused
// rather than handed on cut short.
int32_t ZDisassembler::CallBack(const ZStreamAtom& atom) {
    if (atom.length > std::numeric_limits<uint16_t>::max()) return kelValueTooLarge;
    return callback_(user_, atom.protocol, atom.atom, atom.data, uint16_t(atom.length));
}

// ";" and the comment's text up to its first NUL byte.
void ZDisassembler::ShowComment(const ZStreamAtom& atom) {
    AppendIndentation();
    out_.Append(';');
    size_t length = 0;
    while (length < atom.length && atom.data[length] != 0)
        ++length;
    out_.Append(atom.data, length);
    EndLine();
}

// "the_unknown <P, A, bytes>", without indentation: the text the assembler reads back.
void ZDisassembler::ShowUnknown(const ZStreamAtom& atom) {
    out_.Append("the_unknown <");
    out_.AppendDecimal(atom.protocol);
    out_.Append(", ");
    out_.AppendDecimal(atom.atom);
    if (atom.length > 0) {
        out_.Append(", ");
        ShowRawBytes(out_, flags_, atom.data, atom.length);
    }
    out_.Append('>');
    EndLine();
}

int32_t ZDisassembler::ShowKnown(const ZAtom& entry, const ZStreamAtom& atom) {
    if (entry.layout & kLayoutOutdentSelf) Outdent();
    AppendIndentation();
    if (entry.layout & kLayoutIndentAfter) Indent();
    if (Alternate()) out_.Append("atom$");
    AppendLowerCase(out_, entry.name);
    if (entry.format == kFormatStream) return ShowStreamArgument(atom);
    int32_t result = atom.length > 0 ? ShowBracketedArgument(entry, atom) : kelSuccess;
    EndLine();
    return result;
}

// " <", the argument, ">"; an argument that shows nothing leaves the name and one blank.
int32_t ZDisassembler::ShowBracketedArgument(const ZAtom& entry, const ZStreamAtom& atom) {
    bool alternate = Alternate();
    out_.Append(' ');
    if (!alternate || !DropsOpenBracket(entry.format)) out_.Append('<');
    ZShowContext context{out_, flags_, state_.textType, table_, entry, *this};
    int32_t result = ShowArgument(context, entry.format, atom.data, atom.length);
    if (!alternate || !DropsCloseBracket(entry.format)) out_.Append('>');
    if (EndsWithEmptyBrackets(out_)) out_.Truncate(out_.Length() - 2);
    return result;
}

// The inner atoms one level deeper, between lines holding "<" and ">" (none in the
// alternate syntax). The closing line ends without a line break under flag 0x20.
int32_t ZDisassembler::ShowStreamArgument(const ZStreamAtom& atom) {
    bool alternate = Alternate();
    Indent();
    out_.Append("\r\n");
    if (!alternate) {
        AppendIndentation();
        out_.Append("<\r\n");
    }
    int32_t result = ShowNestedStream(atom.data, atom.length);
    if (!alternate) {
        AppendIndentation();
        out_.Append('>');
        EndLine();
    }
    Outdent();
    return result;
}

int32_t ZDisassembler::ShowArgumentAlone(uint16_t format, const uint8_t* data, size_t length) {
    ZAtom alone;
    alone.format = format;
    ZShowContext context{out_, flags_, state_.textType, table_, alone, *this};
    return ShowArgument(context, format, data, length);
}

// A type set by atom 22 holds for the next atom only; atom 23 sets one until further notice;
// atom 24 returns to plain text.
void ZDisassembler::TrackTextType(const ZStreamAtom& atom) {
    if (state_.restorePending) {
        state_.textType = state_.savedTextType;
        state_.restorePending = false;
    }
    if (atom.protocol != kControlProtocol) return;
    uint16_t type = uint16_t(ReadArgumentNumber(atom.data, atom.length));
    if (atom.atom == kTextTypeOnce) {
        state_.savedTextType = state_.textType;
        state_.textType = type;
        state_.restorePending = true;
    } else if (atom.atom == kTextTypeSet) {
        state_.textType = type;
        state_.restorePending = false;
    } else if (atom.atom == kTextTypeReset) {
        state_.textType = kTextTypePlain;
    }
}

void ZDisassembler::Indent() {
    if (state_.indent < std::numeric_limits<int32_t>::max()) ++state_.indent;
}

void ZDisassembler::Outdent() {
    if (state_.indent > 0) --state_.indent;
}

void ZDisassembler::AppendIndentation() {
    static const std::string blanks(2 * kMaxShownIndent, ' ');
    int32_t shown = state_.indent < kMaxShownIndent ? state_.indent : kMaxShownIndent;
    out_.Append(blanks.data(), 2 * size_t(shown));
}

void ZDisassembler::EndLine() {
    if (!(flags_ & kelFlagSingleAtom)) out_.Append("\r\n");
}

bool ZDisassembler::Alternate() const {
    return (flags_ & kelFlagAlternateSyntax) != 0;
}
