#include "Dispatcher.h"
#include "CapturedRun.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// ---- Command line and options ------------------------------------------------------------

TEST(RunState, SplitsOptionsFromArgumentsAndFoldsOptions) {
    TCapturedRun run({"-ALL", "Dump", "db.DB", "-Skip", "", "-", "x"});
    EXPECT_EQ(CurrentRun().programName, "tarnwick");
    EXPECT_EQ(CurrentRun().options, (std::vector<std::string>{"-all", "-skip", "-"}));
    EXPECT_EQ(CurrentRun().arguments, (std::vector<std::string>{"Dump", "db.DB", "", "x"}));
    EXPECT_EQ(NextArgument(), "Dump");
    EXPECT_EQ(NextArgument(), "db.DB");
    EXPECT_EQ(NextArgument(), "");
    EXPECT_EQ(NextArgument(), "x");
    EXPECT_EQ(NextArgument(), "");
    EXPECT_EQ(NextArgument(), "");
}

TEST(RunState, ProgramNameIsTheFileNameOfTheFullPath) {
    const char* argv[] = {"../some/dir/./Tool.Exe"};
    CurrentRun().Start(1, argv);
    EXPECT_EQ(CurrentRun().programName, "Tool.Exe");
    // Without any first word the program's own file name stands in.
    CurrentRun().Start(0, argv);
    EXPECT_FALSE(CurrentRun().programName.empty());
    CurrentRun().Finish();
}

TEST(HasOption, MatchesExactlyOrByAbbreviation) {
    TCapturedRun run({"-KEEP", "-t"});
    EXPECT_TRUE(HasOption("-keepComments", true));
    EXPECT_FALSE(HasOption("-keepComments", false));
    EXPECT_TRUE(HasOption("-TAB", true));
    EXPECT_TRUE(HasOption("-t", false));
    EXPECT_FALSE(HasOption("-skip", true));
    EXPECT_FALSE(HasOption("-k", true)); // an option longer than the name never matches
}

TEST(HasOption, ABareDashMatchesEveryOption) {
    TCapturedRun run({"-"});
    EXPECT_TRUE(HasOption("-only", true));
    EXPECT_FALSE(HasOption("-only", false));
    EXPECT_TRUE(HasOption("-", false));
}

TEST(Reporting, ErrorProblemAndInfo) {
    TCapturedRun run;
    ReportInfo("%s=%d", "a", 1);
    ReportProblem("careful %u", 7u);
    EXPECT_EQ(run.ExitStatus(), 0);
    ReportError("broken '%s'", "x");
    EXPECT_EQ(run.ExitStatus(), -1);
    ReportInfo("after");
    EXPECT_EQ(run.ExitStatus(), -1);
    EXPECT_EQ(run.messages, "a=1\nERROR: careful 7\nERROR: broken 'x'\nafter\n");
}

// ---- Dispatch over a test table ----------------------------------------------------------

std::vector<std::string> gCalls;

void RecordingHandler() {
    gCalls.push_back("db=" + CurrentRun().databaseFileName + " next=" + NextArgument());
}
void ThrowingHandler() {
    throw TTolvException(errWriteFailed);
}
void ThrowingNilHandler() {
    throw TTolvException(errNilPointer);
}
void OutOfMemoryHandler() {
    throw std::bad_alloc();
}
void UsageHandler() {
    CurrentRun().showUsage = true;
}

int gClosed = 0;
void CountClose(WVEK::TWVEK_DB*) {
    ++gClosed;
}
void OpenThenThrowHandler() {
    static int fakeDatabase;
    CurrentRun().database =
        TOpenDatabase(reinterpret_cast<WVEK::TWVEK_DB*>(&fakeDatabase), CountClose);
    throw TTolvException(errAssert);
}
void OpenHandler() {
    static int fakeDatabase;
    CurrentRun().database =
        TOpenDatabase(reinterpret_cast<WVEK::TWVEK_DB*>(&fakeDatabase), CountClose);
}

constexpr TCommand kTestTable[] = {
    {"plain", TDatabaseMode::None, RecordingHandler, nullptr, "no database"},
    {"reader", TDatabaseMode::OwnFile, RecordingHandler, "more", "needs a file"},
    {"throws", TDatabaseMode::None, ThrowingHandler, nullptr, "x"},
    {"nil", TDatabaseMode::None, ThrowingNilHandler, nullptr, "x"},
    {"oom", TDatabaseMode::None, OutOfMemoryHandler, nullptr, "x"},
    {"usage", TDatabaseMode::None, UsageHandler, "[-x]", "shows\n\tusage"},
    {"opens", TDatabaseMode::OwnFile, OpenHandler, nullptr, "x"},
    {"openthrow", TDatabaseMode::OwnFile, OpenThenThrowHandler, nullptr, "x"},
};

class DispatcherTest : public ::testing::Test {
protected:
    DispatcherTest() {
        previous_ = SetMessageSink([this](std::string_view text) { messages.append(text); });
        gCalls.clear();
        gClosed = 0;
    }
    ~DispatcherTest() override { SetMessageSink(std::move(previous_)); }

    int Run(std::vector<const char*> words) {
        words.insert(words.begin(), "/opt/bin/tw");
        return RunCommands(kTestTable, int(words.size()), words.data());
    }

    std::string messages;

private:
    TMessageSink previous_;
};

TEST_F(DispatcherTest, FindsTheCommandCaseInsensitivelyButNeverAbbreviated) {
    EXPECT_EQ(Run({"PLAIN", "a"}), 0);
    EXPECT_EQ(Run({"Plain"}), 0);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"db= next=a", "db= next="}));
    EXPECT_EQ(Run({"pla"}), -1);
    EXPECT_EQ(messages, "ERROR: 'pla' not a valid command, try 'tw help'\n");
}

TEST_F(DispatcherTest, DatabaseArgumentIsTakenBeforeTheHandler) {
    EXPECT_EQ(Run({"reader", "My.DB", "rest"}), 0);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"db=My.DB next=rest"}));
    EXPECT_EQ(Run({"reader", "-opt"}), -1);
    EXPECT_EQ(messages, "ERROR: you didn't specify a database file\n");
    EXPECT_EQ(gCalls.size(), 1u);
}

TEST_F(DispatcherTest, ExceptionsEndTheRunWithAMessage) {
    EXPECT_EQ(Run({"throws"}), -1);
    EXPECT_EQ(Run({"nil"}), -1);
    EXPECT_EQ(Run({"oom"}), -1);
    EXPECT_EQ(messages, "ERROR: the command failed with error 12802 (0x00003202)\n"
                        "ERROR: the command failed with error 1852402768 (0x6E696C50)\n"
                        "ERROR: out of memory\n");
}

TEST_F(DispatcherTest, TheOpenDatabaseIsDestroyedAfterTheRun) {
    EXPECT_EQ(Run({"opens", "a.db"}), 0);
    EXPECT_EQ(gClosed, 1);
    EXPECT_EQ(Run({"openthrow", "a.db"}), -1);
    EXPECT_EQ(gClosed, 2);
    EXPECT_EQ(messages, "ERROR: the command failed with error 1634955892 (0x61737274)\n");
    EXPECT_EQ(CurrentRun().database, nullptr);
}

TEST_F(DispatcherTest, UsageIsGeneratedFromTheTableAfterTheHandler) {
    EXPECT_EQ(Run({"usage", "-whatever", "extra"}), 0);
    const std::string rows = "\ntw Usage:\n\n"
                             "  plain\n\tno database\n\n"
                             "  reader database.file more\n\tneeds a file\n\n"
                             "  throws\n\tx\n\n"
                             "  nil\n\tx\n\n"
                             "  oom\n\tx\n\n"
                             "  usage [-x]\n\tshows\n\tusage\n\n"
                             "  opens database.file\n\tx\n\n"
                             "  openthrow database.file\n\tx\n\n"
                             "Note:\n";
    EXPECT_EQ(messages.substr(0, rows.size()), rows);
    // A run without `help` writes no usage.
    messages.clear();
    EXPECT_EQ(Run({"plain"}), 0);
    EXPECT_EQ(messages, "");
}

TEST_F(DispatcherTest, EachRunStartsFromAFreshState) {
    EXPECT_EQ(Run({"bogus"}), -1);
    EXPECT_EQ(Run({"plain", "-A"}), 0);
    EXPECT_EQ(CurrentRun().options.size(), 0u); // freed at the end of the run
}

} // namespace
