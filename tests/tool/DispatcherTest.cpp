// The dispatcher in-process, for what the end-to-end runs cannot reach: failures thrown by
// handlers (out of memory, the engine's codes), and the run's database destroyed in every case.
#include "Dispatcher.h"
#include "Exception.h"
#include "RunState.h"

#include <gtest/gtest.h>

#include <new>

namespace {

int gClosed = 0;

// Hands the run a stand-in database whose destruction is counted, then ends as `fail` says.
template <int fail> void OpenStandIn() {
    static int standIn;
    CurrentRun().database = TOpenDatabase(reinterpret_cast<WVEK::TWVEK_DB*>(&standIn),
                                          [](WVEK::TWVEK_DB*) { ++gClosed; });
    if (fail == 1) throw std::bad_alloc();
    if (fail == 2) throw TTolvException(errAssert);
}

const TCommand kTestTable[] = {{"opens", TDatabaseMode::OwnFile, OpenStandIn<0>, nullptr, ""},
                               {"oom", TDatabaseMode::OwnFile, OpenStandIn<1>, nullptr, ""},
                               {"assert", TDatabaseMode::OwnFile, OpenStandIn<2>, nullptr, ""}};

TEST(Dispatcher, FailuresEndTheRunWithAMessageAndTheDatabaseIsDestroyed) {
    std::string messages;
    TMessageSink previous = SetMessageSink([&](std::string_view text) { messages.append(text); });
    for (const char* command : {"opens", "oom", "assert"}) {
        const char* argv[] = {"/opt/bin/tw", command, "a.db"};
        messages += std::to_string(RunCommands(kTestTable, 3, argv)) + ";";
    }
    SetMessageSink(std::move(previous));
    EXPECT_EQ(gClosed, 3);
    EXPECT_EQ(CurrentRun().database, nullptr);
    EXPECT_EQ(messages, "0;ERROR: out of memory\n-1;"
                        "ERROR: the command failed with error 1634955892 (0x61737274)\n-1;");
}

} // namespace
