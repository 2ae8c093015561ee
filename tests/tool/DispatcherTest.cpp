// The run state and the dispatcher in-process: what the end-to-end runs cannot reach (an empty
// command line, abbreviation rules, failures thrown by handlers).
#include "Dispatcher.h"
#include "CapturedRun.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <new>

namespace {

TEST(RunState, ProgramNameIsTheFileNameOfTheFullPath) {
    const char* argv[] = {"../some/dir/./Tool.Exe"};
    CurrentRun().Start(1, argv);
    EXPECT_EQ(CurrentRun().programName, "Tool.Exe");
    // Without any first word the program's own file name stands in.
    CurrentRun().Start(0, argv);
    EXPECT_FALSE(CurrentRun().programName.empty());
    CurrentRun().Finish();
}

// The tool asks for every option with abbreviations allowed; a longer option never matches.
TEST(HasOption, MatchesExactlyOrByAbbreviation) {
    const struct {
        const char* option;
        const char* name;
        bool allowAbbreviation, matches;
    } cases[] = {
        {"-KEEP", "-keepComments", true, true},
        {"-KEEP", "-keepComments", false, false},
        {"-keep", "-k", true, false},
        {"-", "-only", true, true},
    };
    for (const auto& c : cases) {
        TCapturedRun run({c.option});
        EXPECT_EQ(HasOption(c.name, c.allowAbbreviation), c.matches) << c.option << " " << c.name;
    }
}

// ---- Failures that reach the dispatcher ------------------------------------------------

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
