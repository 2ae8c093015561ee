#include "DynamicStream.h"

#include "Exception.h"

#include <algorithm>

LDynamicStream::~LDynamicStream() = default;

void LDynamicStream::Seek(int32_t offset, uint32_t origin) {
    LStream::Seek(offset, origin);
    fBuffer.SetPosition(uint32_t(GetPosition()));
}

void LDynamicStream::SetSize(int32_t size) {
    size = std::max(size, 0);
    uint32_t length = fBuffer.GetLength();
    if (uint32_t(size) >= length) {
        if (!fBuffer.Append(nullptr, uint32_t(size) - length)) throw TTolvException(errCannotGrow);
    } else {
        uint32_t cursor = fBuffer.GetPosition();
        fBuffer.SetPosition(uint32_t(size));
        fBuffer.Delete(length - uint32_t(size));
        fBuffer.SetPosition(cursor);
    }
    LStream::SetSize(size);
    fBuffer.SetPosition(uint32_t(GetPosition()));
}

uint32_t LDynamicStream::Write(const void* data, uint32_t& count) {
    uint32_t code = 0;
    int64_t end = int64_t(GetPosition()) + count;
    if (end > GetSize()) {
        try {
            if (end > INT32_MAX) throw TTolvException(errCannotGrow);
            SetSize(int32_t(end));
        } catch (const TTolvException& e) {
            code = e.code;
        } catch (...) {
            code = errCannotGrow;
        }
        if (code != 0) count = uint32_t(GetSize() - GetPosition());
    }
    if (!fBuffer.Write(data, count)) {
        count = 0;
        return errWriteFailed;
    }
    Seek(int32_t(count), seekCurrent);
    return code;
}

uint32_t LDynamicStream::Read(void* data, uint32_t& count) {
    uint32_t code = 0;
    int64_t available = int64_t(GetSize()) - GetPosition();
    if (int64_t(count) > available) {
        count = uint32_t(std::max<int64_t>(available, 0));
        code = errEndOfData;
    }
    uint32_t got = fBuffer.CopyOut(data, count);
    if (got != count) {
        count = got;
        code = errEndOfData;
    }
    Seek(int32_t(count), seekCurrent);
    return code;
}
