#include "DBRecord.h"
#include "DatabaseImage.h"
#include "DynamicStream.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

using namespace WVEK;

namespace {

using Bytes = std::vector<uint8_t>;

struct FreeBlock {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Copy = std::unique_ptr<uint8_t, FreeBlock>;

// A memory stream holding `image`, positioned at 0.
std::unique_ptr<LDynamicStream> StreamOf(const Bytes& image) {
    auto stream = std::make_unique<LDynamicStream>();
    stream->WriteOrThrow(image.data(), uint32_t(image.size()));
    stream->Seek(0, seekBegin);
    return stream;
}

Bytes Contents(LDynamicStream& stream) {
    return Bytes(stream.Data(), stream.Data() + stream.GetSize());
}

template <typename F> uint32_t CodeOf(F&& f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

uint32_t LoadCode(const Bytes& image, uint32_t position) {
    auto stream = StreamOf(image);
    return CodeOf([&] { TDBRecord record(*stream, position); });
}

} // namespace

TEST(DBRecord, ANewHeaderHoldsTheMagicAndTypeBinary) {
    TDBRecord record;
    const Bytes header(record.GetHeader(), record.GetHeader() + kRecordHeaderSize);
    Bytes expected(26, 0);
    expected[0] = 'R', expected[1] = '2', expected[2] = 'D', expected[3] = '2';
    expected[12] = 'b';
    EXPECT_EQ(header, expected);
    EXPECT_EQ(record.GetType(), 'b');
    EXPECT_EQ(record.GetData(), nullptr);
    EXPECT_EQ(record.CacheSize(), 34u);
}

TEST(DBRecord, AccessorsWriteLittleEndianFieldsInPlace) {
    TDBRecord record;
    record.SetId(0x11223344);
    record.SetPosition(0xA1B2C3D4);
    record.SetData(nullptr, 0x01020304); // only the length changes
    const uint8_t* h = record.GetHeader();
    EXPECT_EQ(Bytes(h + 4, h + 8), (Bytes{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(Bytes(h + 8, h + 12), (Bytes{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Bytes(h + 22, h + 26), (Bytes{0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(record.GetId(), 0x11223344u);
    EXPECT_EQ(record.GetPosition(), 0xA1B2C3D4u);
    EXPECT_EQ(record.GetLength(), 0x01020304u);
    EXPECT_EQ(record.GetData(), nullptr);
    EXPECT_EQ(record.CacheSize(), 0x01020304u + 34u);

    record.SetType(0xE0); // read back as a signed character
    EXPECT_EQ(record.GetType(), -32);
    EXPECT_EQ(h[12], 0xE0);
}

TEST(DBRecord, FlagsChangeSingleBits) {
    TDBRecord record;
    record.SetFlag(0x80, true); // an unused bit travels along
    record.SetFlag(kFlagDeleted, true);
    record.SetFlag(kFlagPermanent, true);
    EXPECT_EQ(record.GetHeader()[13], 0xA4);
    record.SetFlag(kFlagDeleted, false);
    EXPECT_EQ(record.GetHeader()[13], 0xA0);
    EXPECT_TRUE(record.TestFlag(kFlagPermanent));
    EXPECT_FALSE(record.TestFlag(kFlagDeleted));
    EXPECT_FALSE(record.TestFlag(kFlagCompressed | kFlagEncrypted));
}

TEST(DBRecord, WritesAndLoadsBackItsBytes) {
    TDBRecord record;
    const Bytes data{'d', 'a', 't', 'a'};
    record.SetId(42);
    record.SetType('t');
    record.SetPosition(25);
    record.SetData(data.data(), 4);
    LDynamicStream stream;
    WriteFileHeader(stream);
    record.WriteTo(stream, true);
    EXPECT_EQ(Contents(stream), DatabaseImage({{42, 't', 0, data}}));

    TDBRecord loaded(stream, 25);
    EXPECT_EQ(stream.GetPosition(), 51); // right after the header
    EXPECT_EQ(loaded.GetId(), 42u);
    EXPECT_EQ(loaded.GetType(), 't');
    EXPECT_EQ(loaded.GetLength(), 4u);
    EXPECT_EQ(loaded.GetData(), nullptr);
    loaded.LoadData(stream);
    ASSERT_NE(loaded.GetData(), nullptr);
    EXPECT_EQ(Bytes(loaded.GetData(), loaded.GetData() + 4), data);
}

TEST(DBRecord, CopyDataComesFromMemoryOrFromTheStream) {
    auto stream = StreamOf(DatabaseImage({{1, 'b', 0, {9, 8, 7}}}));
    TDBRecord onDisk(*stream, 25);
    stream->Seek(0, seekBegin); // CopyData finds the data itself
    uint32_t length = 0;
    Copy fromStream(onDisk.CopyData(*stream, &length));
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(Bytes(fromStream.get(), fromStream.get() + 3), (Bytes{9, 8, 7}));

    TDBRecord inMemory;
    const uint8_t bytes[] = {5, 6};
    inMemory.SetData(bytes, 2);
    LDynamicStream unused;
    Copy fromMemory(inMemory.CopyData(unused, nullptr));
    EXPECT_EQ(Bytes(fromMemory.get(), fromMemory.get() + 2), (Bytes{5, 6}));
    EXPECT_NE(fromMemory.get(), inMemory.GetData()); // a copy, not the record's block
}

TEST(DBRecord, ZeroLengthRecordsHandOutEmptyNonNullBlocks) {
    Bytes image = DatabaseImage({{1, 'b', 0, {}}});
    auto stream = StreamOf(image);
    TDBRecord record(*stream, 25);
    EXPECT_EQ(record.GetLength(), 0u);
    record.LoadData(*stream); // the header ends exactly at the end of the file
    EXPECT_NE(record.GetData(), nullptr);
    uint32_t length = 99;
    Copy copy(record.CopyData(*stream, &length));
    EXPECT_NE(copy, nullptr);
    EXPECT_EQ(length, 0u);

    TDBRecord header(*stream, 25);
    Copy read(header.CopyData(*stream, &length));
    EXPECT_NE(read, nullptr);
    EXPECT_EQ(length, 0u);
}

TEST(DBRecord, RewritingTheHeaderAloneKeepsDataAndReservedBytes) {
    Bytes image = DatabaseImage({{3, 'p', 0, {1, 2, 3}}, {4, 'p', 0, {4}}});
    image[25 + 14] = 0x5A; // reserved bytes of the first header
    image[25 + 21] = 0xA5;
    auto stream = StreamOf(image);
    TDBRecord record(*stream, 25);
    record.SetFlag(kFlagDeleted, true);
    record.SetData(Bytes{7, 7, 7}.data(), 3); // loaded, but withData is false
    record.WriteTo(*stream, false);
    Bytes expected = image;
    expected[25 + 13] = kFlagDeleted;
    EXPECT_EQ(Contents(*stream), expected);
}

TEST(DBRecord, WriteToSkipsEmptyData) {
    TDBRecord record;
    record.SetPosition(0);
    record.SetData(Bytes{1}.data(), 0);
    EXPECT_EQ(record.GetData(), nullptr);
    LDynamicStream stream;
    record.WriteTo(stream, true);
    EXPECT_EQ(stream.GetSize(), 26);
}

TEST(DBRecord, RejectsAWrongMagicOrPositionField) {
    const Bytes image = DatabaseImage({{1, 't', 0, {'a'}}, {2, 't', 0, {'b'}}});
    EXPECT_EQ(LoadCode(image, 25), 0u);
    EXPECT_EQ(LoadCode(image, 52), 0u);
    for (size_t i = 0; i < 4; ++i) {
        Bytes bad = image;
        bad[25 + i] ^= 0x01;
        EXPECT_EQ(LoadCode(bad, 25), errAssert) << i;
    }
    Bytes moved = image;
    PutLE32(moved, 25 + 22, 52); // right magic, position field says elsewhere
    EXPECT_EQ(LoadCode(moved, 25), errAssert);
    EXPECT_EQ(LoadCode(image, 26), errAssert); // not on a header
    EXPECT_EQ(LoadCode(image, 0x80000000u), errAssert);
}

TEST(DBRecord, RejectsALengthPastTheEndBeforeAllocating) {
    Bytes image = DatabaseImage({{1, 't', 0, {'a', 'b'}}});
    for (uint32_t length : {3u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        Bytes bad = image;
        PutLE32(bad, 25 + 8, length);
        EXPECT_EQ(LoadCode(bad, 25), errAssert) << length;
    }
    PutLE32(image, 25 + 8, 1); // shorter than what follows is fine for the header
    EXPECT_EQ(LoadCode(image, 25), 0u);
}

TEST(DBRecord, ACutHeaderEndsInEndOfData) {
    const Bytes image = DatabaseImage({{1, 't', 0, {}}});
    for (size_t cut = 25; cut < image.size(); ++cut)
        EXPECT_EQ(LoadCode(Bytes(image.begin(), image.begin() + long(cut)), 25), errEndOfData)
            << cut;
}

TEST(DBRecord, DataReadsCheckWhatTheStreamHolds) {
    TDBRecord record;
    record.SetPosition(25);
    record.SetData(nullptr, 100);
    auto stream = StreamOf(DatabaseImage({{1, 'b', 0, {1, 2, 3}}}));
    EXPECT_EQ(CodeOf([&] { std::free(record.CopyData(*stream, nullptr)); }), errEndOfData);
    stream->Seek(51, seekBegin);
    EXPECT_EQ(CodeOf([&] { record.LoadData(*stream); }), errEndOfData);
    EXPECT_EQ(record.GetData(), nullptr);
    record.SetPosition(0x7FFFFFF0);
    EXPECT_EQ(CodeOf([&] { std::free(record.CopyData(*stream, nullptr)); }), errAssert);
    record.SetPosition(0x80000000u);
    EXPECT_EQ(CodeOf([&] { record.WriteTo(*stream, false); }), errAssert);
}
