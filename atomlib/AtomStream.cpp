#include "AtomStream.h"

#include "KelCodes.h"

namespace {

// An atom as read, before the prefix offsets are applied.
struct RawAtom {
    ZAtomStyle style = ZAtomStyle::Full;
    uint16_t protocol = 0; // f for Full, Length and Data; the current protocol otherwise
    uint16_t atom = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    size_t size = 0;   // bytes the atom occupies in the stream
    uint8_t value = 0; // the argument byte of the Data, Zero and One styles
};

const char* const kStyleNames[] = {"Full", "Length", "Data", "Atom", "Current", "Zero", "One"};

// Decodes the atom at `p` (one of the first seven styles); false when it reaches past `end`.
bool DecodeAtom(const uint8_t* p, const uint8_t* end, uint16_t currentProtocol, RawAtom& raw) {
    size_t available = size_t(end - p);
    raw.style = ZAtomStyle(p[0] >> 5);
    uint8_t f = p[0] & 31;
    bool twoBytes = raw.style <= ZAtomStyle::Data || raw.style == ZAtomStyle::Current;
    if (twoBytes && available < 2) return false;
    size_t header = twoBytes ? 2 : 1;
    raw.protocol = raw.style <= ZAtomStyle::Data ? f : currentProtocol;
    raw.atom = raw.style <= ZAtomStyle::Data ? uint16_t(p[1] & 31) : f;
    switch (raw.style) {
    case ZAtomStyle::Full:
        raw.atom = p[1];
        if (available < 3) return false;
        raw.length = p[2];
        header = 3;
        if (p[2] >= 128) {
            if (available < 4) return false;
            raw.length = uint32_t((p[2] & 0x7F) << 8) | p[3];
            header = 4;
        }
        break;
    case ZAtomStyle::Length:
        raw.length = p[1] >> 5;
        break;
    case ZAtomStyle::Current:
        raw.length = p[1];
        break;
    case ZAtomStyle::Data:
        raw.value = uint8_t(p[1] >> 5);
        break;
    case ZAtomStyle::One:
        raw.value = 1;
        break;
    default:
        break; // Atom: no argument; Zero: the byte 0
    }
    bool byteArgument = raw.style == ZAtomStyle::Data || raw.style == ZAtomStyle::Zero ||
                        raw.style == ZAtomStyle::One;
    if (byteArgument) raw.length = 1;
    if (available - header < (byteArgument ? 0 : raw.length)) return false;
    raw.data = byteArgument ? &raw.value : p + header;
    raw.size = header + (byteArgument ? 0 : raw.length);
    return true;
}

void ApplyPrefix(uint8_t byte, ZDecoderState& state, ZString* comments) {
    state.protocolOffset = uint16_t(((byte >> 3) & 3) * 32);
    state.atomOffset = uint16_t(((byte >> 1) & 3) * 32);
    state.prefixSticky = (byte & 1) != 0;
    state.prefixActive = true;
    if (comments)
        comments->AppendFormat(";Prefix PO:%d AO:%d\r\n", state.protocolOffset, state.atomOffset);
}

// After an atom a prefix that is not sticky ends, and with it the high protocol bits.
void EndAtom(ZDecoderState& state) {
    if (!state.prefixActive || state.prefixSticky) return;
    state.prefixActive = false;
    state.protocolOffset = 0;
    state.atomOffset = 0;
    state.currentProtocol &= 31;
}

} // namespace

int32_t WalkAtomStream(const uint8_t* data, size_t length, ZDecoderState& state,
                       ZString* decodingComments, const ZAtomHandler& handler) {
    const uint8_t* end = data + length;
    for (const uint8_t* p = data; p < end;) {
        if (ZAtomStyle(*p >> 5) == ZAtomStyle::Prefix) {
            ApplyPrefix(*p++, state, decodingComments);
            continue;
        }
        RawAtom raw;
        if (!DecodeAtom(p, end, state.currentProtocol, raw)) return kelBadFormat;
        if (decodingComments)
            decodingComments->AppendFormat(";%s P:%d A:%d L:%d\r\n", kStyleNames[int(raw.style)],
                                           raw.protocol, raw.atom, int(raw.length));
        ZStreamAtom atom{raw.protocol, raw.atom, raw.data, raw.length};
        if (state.prefixActive) {
            atom.protocol |= state.protocolOffset;
            atom.atom |= state.atomOffset;
        }
        state.currentProtocol = atom.protocol;
        if (int32_t result = handler(atom)) return result;
        EndAtom(state);
        p += raw.size;
    }
    return kelSuccess;
}
