#include "FullWriter.h"

#include "KelCodes.h"

int32_t WriteFullHeader(ZBuffer& out, uint32_t protocol, uint32_t atom) {
    if (protocol > kMaxFullProtocol || atom > kMaxFullAtom) return kelValueTooLarge;
    if (protocol >= 32) out.AppendByte(uint8_t(0xE0 | ((protocol >> 5) << 3)));
    out.AppendByte(uint8_t(protocol & 31));
    out.AppendByte(uint8_t(atom));
    return kelSuccess;
}

int32_t WriteFullArgument(ZBuffer& out, const uint8_t* data, size_t length) {
    if (length > kMaxArgumentLength) return kelValueTooLarge;
    if (length < 128) {
        out.AppendByte(uint8_t(length));
    } else {
        out.AppendByte(uint8_t((length >> 8) | 0x80));
        out.AppendByte(uint8_t(length & 0xFF));
    }
    out.Append(data, length);
    return kelSuccess;
}

int32_t WriteFullAtom(ZBuffer& out, uint32_t protocol, uint32_t atom, const uint8_t* data,
                      size_t length) {
    if (length > kMaxArgumentLength) return kelValueTooLarge;
    if (int32_t result = WriteFullHeader(out, protocol, atom)) return result;
    return WriteFullArgument(out, data, length);
}
