// The dispatcher in-process, for what the end-to-end runs cannot reach: failures thrown by
// handlers (out of memory, the engine's codes), and the run's database destroyed all the same.
#include "Dispatcher.h"
#include "Exception.h"
#include "RunState.h"

#include <gtest/gtest.h>

#include <new>

namespace {

int gClosed = 0;

// Hands the run a stand-in database whose destruction is counted, then fails.
template <bool outOfMemory> void OpenStandInAndFail() {
    static int standIn;
    CurrentRun().database = TOpenDatabase(reinterpret_cast<WVEK::TWVEK_DB*>(&standIn),
                                          [](WVEK::TWVEK_DB*) { ++gClosed; });
    if (outOfMemory) throw std::bad_alloc();
    throw TTolvException(errAssert);
}

const TCommand kTestTable[] = {
    {"oom", TDatabaseMode::OwnFile, OpenStandInAndFail<true>, nullptr, ""},
    {"assert", TDatabaseMode::OwnFile, OpenStandInAndFail<false>, nullptr, ""}};

TEST(Dispatcher, FailuresEndTheRunWithAMessageAndTheDatabaseIsDestroyed) {
    std::string messages;
    TMessageSink previous = SetMessageSink([&](std::string_view text) { messages.append(text); });
    for (const char* command : {"oom", "assert"}) {
        const char* argv[] = {"/opt/bin/tw", command, "a.db"};
        EXPECT_EQ(RunCommands(kTestTable, 3, argv), -1) << command;
    }
    SetMessageSink(std::move(previous));
    EXPECT_EQ(gClosed, 2);
    EXPECT_EQ(CurrentRun().database, nullptr);
    EXPECT_EQ(messages, "ERROR: out of memory\n"
                        "ERROR: the command failed with error 1634955892 (0x61737274)\n");
}

} // namespace
