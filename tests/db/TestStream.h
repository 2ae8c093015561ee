#pragma once
// TTestStream: a stream over a memory "file" that outlives it, failing on demand.
//
// The memory file (an LDynamicStream owned by the test) plays the disk: an index or cache that
// owns a TTestStream can be destroyed and a new one opened on the same bytes. TStreamFaults
// switches failures on: SetSize throws errDiskFull, and Write fails with errWriteFailed once
// a number of writes have succeeded; it also counts the calls of Flush (the sync of a file).

#include "DynamicStream.h"
#include "Exception.h"

#include <cstdint>
#include <memory>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct TStreamFaults {
    bool failSetSize = false;
    int32_t writesBeforeFailure = -1; // -1: writes never fail
    int32_t flushCalls = 0;           // Flush stands for the sync of a file stream
};

class TTestStream : public LStream {
public:
    explicit TTestStream(LDynamicStream& file, TStreamFaults* faults = nullptr)
        : fFile(file), fFaults(faults) {}

    void Seek(int32_t offset, uint32_t origin) override { fFile.Seek(offset, origin); }
    int32_t GetPosition() override { return fFile.GetPosition(); }
    int32_t GetSize() override { return fFile.GetSize(); }
    void SetSize(int32_t size) override {
        if (fFaults && fFaults->failSetSize) throw TTolvException(errDiskFull);
        fFile.SetSize(size);
    }
    uint32_t Write(const void* data, uint32_t& count) override {
        if (fFaults && fFaults->writesBeforeFailure == 0) {
            count = 0;
            return errWriteFailed;
        }
        if (fFaults && fFaults->writesBeforeFailure > 0) --fFaults->writesBeforeFailure;
        return fFile.Write(data, count);
    }
    uint32_t Read(void* data, uint32_t& count) override { return fFile.Read(data, count); }
    void Flush() override {
        if (fFaults) ++fFaults->flushCalls;
    }

private:
    LDynamicStream& fFile;
    TStreamFaults* fFaults;
};

// The bytes of a memory file.
inline Bytes BytesOf(LDynamicStream& file) {
    const uint8_t* data = file.Data();
    return data ? Bytes(data, data + file.GetSize()) : Bytes();
}

// Replaces the content of a memory file and rewinds it.
inline void SetBytes(LDynamicStream& file, const Bytes& bytes) {
    file.SetSize(0);
    file.Seek(0, seekBegin);
    if (!bytes.empty()) file.WriteOrThrow(bytes.data(), uint32_t(bytes.size()));
    file.Seek(0, seekBegin);
}

// The error code a call throws, 0 when it returns.
template <typename F> uint32_t CodeOf(F f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}
