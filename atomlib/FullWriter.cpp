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

int32_t InsertFullLength(ZBuffer& out, size_t start) {
    size_t length = out.Length() - start;
    if (length > kMaxArgumentLength) return kelValueTooLarge;
    uint8_t field[2];
    out.Insert(start, field, EncodeLength(length, field));
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
