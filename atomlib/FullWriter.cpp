#include "FullWriter.h"

#include "KelCodes.h"

int32_t WriteFullHeader(ZBuffer& out, uint32_t protocol, uint32_t atom) {
    if (protocol > kMaxFullProtocol || atom > kMaxFullAtom) return kelValueTooLarge;
    if (protocol >= 32) out.AppendByte(uint8_t(0xE0 | ((protocol >> 5) << 3)));
    out.AppendByte(uint8_t(protocol & 31));
    out.AppendByte(uint8_t(atom));
    return kelSuccess;
}

namespace {

// The length field: one byte below 128, else two with the top bit of the first set.
size_t EncodeLength(size_t length, uint8_t (&field)[2]) {
    if (length < 128) {
        field[0] = uint8_t(length);
        return 1;
    }
    field[0] = uint8_t((length >> 8) | 0x80);
    field[1] = uint8_t(length & 0xFF);
    return 2;
}

} // namespace

size_t BeginFullArgument(ZBuffer& out) {
    out.AppendByte(0);
    return out.Length() - 1;
}

int32_t EndFullArgument(ZBuffer& out, size_t field) {
    size_t length = out.Length() - field - 1;
    if (length > kMaxArgumentLength) return kelValueTooLarge;
    uint8_t bytes[2];
    size_t size = EncodeLength(length, bytes);
    out.Put(field, bytes[0]);
    if (size == 2) out.Insert(field + 1, &bytes[1], 1);
    return kelSuccess;
}

int32_t WriteFullAtom(ZBuffer& out, uint32_t protocol, uint32_t atom, const uint8_t* data,
                      size_t length) {
    if (length > kMaxArgumentLength) return kelValueTooLarge;
    if (int32_t result = WriteFullHeader(out, protocol, atom)) return result;
    uint8_t field[2];
    out.Append(field, EncodeLength(length, field));
    out.Append(data, length);
    return kelSuccess;
}
