#include "tools/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace klice::tools {
namespace {

// What the parser raises for a command line.
std::string complaint(const std::function<void()>& parse) {
    try {
        parse();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(nothing raised)";
}

struct parsed {
    std::string name;
    std::optional<int> level;
    int64_t count = 5;
    bool quiet = false;
    std::vector<std::string> rest;
};

parsed parse(const std::vector<std::string>& args) {
    parsed p;
    flags()
        .text("--name", p.name)
        .count("--level", p.level, 1, 25)
        .count("--count", p.count, 0, 9)
        .toggle("--quiet", p.quiet)
        .others([&p](const std::string& word) { p.rest.push_back(word); })
        .parse(args);
    return p;
}

TEST(Flags, SetWhatTheyNameAndLeaveTheRestInOrder) {
    const parsed p = parse({"a", "--level", "7", "--name", "--quiet", "b", "--count", "0"});
    EXPECT_EQ(p.level, 7);
    EXPECT_EQ(p.name, "--quiet") << "a value is the next argument, whatever it looks like";
    EXPECT_FALSE(p.quiet);
    EXPECT_EQ(p.count, 0);
    EXPECT_EQ(p.rest, (std::vector<std::string>{"a", "b"}));

    const parsed defaults = parse({"--quiet"});
    EXPECT_TRUE(defaults.quiet);
    EXPECT_EQ(defaults.level, std::nullopt);
    EXPECT_EQ(defaults.count, 5);
}

TEST(Flags, SayWhatIsWrong) {
    EXPECT_EQ(complaint([] { parse({"--name"}); }), "--name needs a value");
    EXPECT_EQ(complaint([] { parse({"--level", "26"}); }), "--level wants a number from 1 to 25, not '26'");
    EXPECT_EQ(complaint([] { parse({"--count", "3x"}); }), "--count wants a number from 0 to 9, not '3x'");
    // Without a handler for the others, a word that is no flag is refused.
    bool quiet = false;
    EXPECT_EQ(complaint([&] { flags().toggle("--quiet", quiet).parse({"--loud"}); }), "unknown argument '--loud'");
}

TEST(Flags, HelpWhereAFlagMayStandButNotAsAValue) {
    EXPECT_THROW(parse({"--level", "3", "--help"}), help_wanted);
    EXPECT_THROW(parse({"a", "-h"}), help_wanted) << "asked for before the others' handler sees it";
    EXPECT_EQ(parse({"--name", "--help"}).name, "--help");
}

TEST(ToolMain, HelpShowsTheUsageAndRunsNothing) {
    bool ran = false;
    char tool[] = "klice-test", help[] = "--help", wrong[] = "--level", thirty[] = "30";
    char* asks_help[] = {tool, help};
    char* says_wrong[] = {tool, wrong, thirty};
    const auto parse_args = [](const std::vector<std::string>& args) { return parse(args); };
    const auto run = [&ran](parsed&) {
        ran = true;
        return 0;
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ((tool_main<parsed>("klice-test", "usage: klice-test\n", 2, asks_help, parse_args, run)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "usage: klice-test\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ((tool_main<parsed>("klice-test", "usage: klice-test\n", 3, says_wrong, parse_args, run)), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "klice-test: --level wants a number from 1 to 25, not '30'\nusage: klice-test\n");
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace klice::tools
