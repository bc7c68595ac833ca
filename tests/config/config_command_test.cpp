#include "config_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "config/temp_folder.h"

namespace {

const std::string kFile = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                          R"(<settings v="2"><port>3</port><extra a="b"><inner>x</inner>t</extra>)"
                          R"(<ipAddress>10.0.0.9</ipAddress></settings>)";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunCommand(const std::vector<std::string>& args, const std::string& defaultDir) {
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* oldErr = std::cerr.rdbuf(err.rdbuf());
    int status = RunConfigCommand(args, defaultDir);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {status, out.str(), err.str()};
}

class ConfigCommand : public testing::Test {
protected:
    void SetUp() override { WriteFile(temp / "default.xcfg", kFile); }
    TempFolder temp;
    TempFolder elsewhere;
};

TEST_F(ConfigCommand, ShowListsEveryChildOfTheRoot) {
    Outcome o = RunCommand({"show"}, temp.Path());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "port=3\nextra=t\nipAddress=10.0.0.9\n");
}

TEST_F(ConfigCommand, GetFollowsDirOverTheDefaultFolder) {
    Outcome o = RunCommand({"get", "--dir", temp.Path(), "ipAddress"}, elsewhere.Path());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "10.0.0.9\n");
    EXPECT_EQ(RunCommand({"get", "missing"}, temp.Path()).status, 1);
}

TEST_F(ConfigCommand, SetChangesOnlyThatElement) {
    EXPECT_EQ(RunCommand({"set", "port", "7"}, temp.Path()).status, 0);
    std::string expected = kFile;
    expected.replace(expected.find("<port>3"), 7, "<port>7");
    EXPECT_EQ(ReadFile(temp / "default.xcfg"), expected);

    EXPECT_EQ(RunCommand({"set", "stNum", "a<b"}, temp.Path()).status, 0);
    expected.insert(expected.find("</settings>"), "<stNum>a&lt;b</stNum>");
    EXPECT_EQ(ReadFile(temp / "default.xcfg"), expected);
}

TEST_F(ConfigCommand, FileThatDoesNotLoadGivesOne) {
    Outcome o = RunCommand({"show"}, elsewhere.Path());
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("default.xcfg"), std::string::npos);
    WriteFile(elsewhere / "default.xcfg", "<broken>");
    EXPECT_EQ(RunCommand({"set", "port", "1"}, elsewhere.Path()).status, 1);
    EXPECT_EQ(ReadFile(elsewhere / "default.xcfg"), "<broken>");
}

TEST_F(ConfigCommand, UsageErrorsGiveSixtyFourAndOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"list"},
        {"show", "extra"},
        {"get"},
        {"set", "port"},
        {"set", "a/b", "1"},
        {"set", "bad name", "1"},
        {"get", "port", "--dir"},
    };
    for (const auto& args : cases) {
        Outcome o = RunCommand(args, temp.Path());
        EXPECT_EQ(o.status, 64) << testing::PrintToString(args);
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1);
        EXPECT_TRUE(o.out.empty());
    }
    EXPECT_EQ(ReadFile(temp / "default.xcfg"), kFile);
}

}  // namespace
