// The dispatcher in-process, for what the end-to-end runs cannot reach: failures thrown by
// handlers (out of memory, the engine's codes) and the run's database destroyed in every case.
#include "Dispatcher.h"
#include "Exception.h"
#include "RunState.h"

#include <gtest/gtest.h>

#include <new>

namespace {

int gClosed = 0;

// Hands the run a stand-in database whose destruction is counted.
void OpenStandIn() {
    static int standIn;
    CurrentRun().database = TOpenDatabase(reinterpret_cast<WVEK::TWVEK_DB*>(&standIn),
                                          [](WVEK::TWVEK_DB*) { ++gClosed; });
}

const TCommand kTestTable[] = {
    {"oom", TDatabaseMode::None, [] { throw std::bad_alloc(); }, nullptr, ""},
    {"opens", TDatabaseMode::OwnFile, OpenStandIn, nullptr, ""},
    {"openthrow", TDatabaseMode::OwnFile,
     [] {
         OpenStandIn();
         throw TTolvException(errAssert);
     },
     nullptr, ""},
};

TEST(Dispatcher, FailuresEndTheRunWithAMessageAndTheDatabaseIsDestroyed) {
    std::string messages;
    TMessageSink previous = SetMessageSink([&](std::string_view text) { messages.append(text); });
    const auto run = [](const char* command) {
        const char* argv[] = {"/opt/bin/tw", command, "a.db"};
        return RunCommands(kTestTable, 3, argv);
    };
    EXPECT_EQ(run("oom"), -1);
    EXPECT_EQ(run("opens"), 0);
    EXPECT_EQ(gClosed, 1);
    EXPECT_EQ(run("openthrow"), -1);
    EXPECT_EQ(gClosed, 2);
    EXPECT_EQ(CurrentRun().database, nullptr);
    SetMessageSink(std::move(previous));
    EXPECT_EQ(messages, "ERROR: out of memory\n"
                        "ERROR: the command failed with error 1634955892 (0x61737274)\n");
}

} // namespace
