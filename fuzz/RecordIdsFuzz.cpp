// Feeds arbitrary text to the record-id and record-range readers.
#include "RecordIds.h"
#include "RunState.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TMessageSink kDiscard = SetMessageSink([](std::string_view) {});
    std::string text(reinterpret_cast<const char*>(data), size);
    ParseRecordId(text);
    const char* argv[] = {"tarnwick", text.c_str()};
    CurrentRun().Start(2, argv);
    ParseRecordRanges();
    return 0;
}
