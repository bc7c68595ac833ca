#include "config/utf.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "config/xml_document.h"

#include <sys/stat.h>

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string wide;
};

void PrintTo(const DecodeCase& row, std::ostream* out) {
    *out << row.name;
}

class Utf8ToWideTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8ToWideTest, CountedAndZeroTerminatedFormsAgree) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(Utf8ToWide(c.bytes.data(), c.bytes.size()), c.wide);
    EXPECT_EQ(Utf8ToWide(c.bytes.c_str()), c.wide);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToWideTest,
    testing::Values(DecodeCase{"BrokenSequenceTakesTheByteThatBrokeIt", "\xC3\x41\x42", u"B"},
                    DecodeCase{"FourBytesBecomeASurrogatePair", "\xF0\x9F\x98\x80",
                               u"\xD83D\xDE00"},
                    DecodeCase{"ThreeBytes", "\xE2\x82\xAC", u"\x20AC"},
                    DecodeCase{"StrayContinuationSkipped", "\x80\x41", u"A"},
                    DecodeCase{"F8LeadSkippedWithItsContinuations", "\xF8\x80\x80\x41", u"A"},
                    DecodeCase{"OverlongAccepted", "\xC1\x81", u"A"},
                    DecodeCase{"CutOffAtTheEndDropped", "A\xE2\x82", u"A"},
                    DecodeCase{"BeyondUnicodeDropped", "\xF4\x90\x80\x80Z", u"Z"}),
    [](const testing::TestParamInfo<DecodeCase>& row) { return row.param.name; });

TEST(Utf8ToWide, StopsAtCountAndAtZero) {
    EXPECT_EQ(Utf8ToWide("AB", 1), u"A");
    EXPECT_EQ(Utf8ToWide("A\0B", 3), u"A");
    EXPECT_EQ(Utf8ToWide("\xC3\0\xA9", 3), u"");  // the zero ends the text inside a sequence
}

struct EncodeCase {
    const char* name;
    std::u16string wide;
    std::string bytes;
};

void PrintTo(const EncodeCase& row, std::ostream* out) {
    *out << row.name;
}

class WideToUtf8Test : public testing::TestWithParam<EncodeCase> {};

TEST_P(WideToUtf8Test, ShortestForm) {
    EXPECT_EQ(WideToUtf8(GetParam().wide), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WideToUtf8Test,
    testing::Values(EncodeCase{"PairToFourBytes", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
                    EncodeCase{"TwoBytes", u"\x00E9", "\xC3\xA9"},
                    EncodeCase{"ThreeBytes", u"\x20AC", "\xE2\x82\xAC"},
                    EncodeCase{"LoneLowDropped",
                               u"\xDE00"
                               u"A",
                               "A"},
                    EncodeCase{"HighWithoutLowDropped",
                               u"\xD83D"
                               u"A",
                               "A"},
                    EncodeCase{"StopsAtZero", std::u16string(u"A\0B", 3), "A"}),
    [](const testing::TestParamInfo<EncodeCase>& row) { return row.param.name; });

TEST(EscapeXml, ReplacesTheFiveAndStopsAtZero) {
    EXPECT_EQ(EscapeXml("a&<>\"'b"), "a&amp;&lt;&gt;&quot;&apos;b");
    EXPECT_EQ(EscapeXml(std::string("x\0&", 3)), "x");
}

TEST(CreateFolders, ReportsWhetherTheInnermostFolderWasCreated) {
    TempFolder temp;
    EXPECT_FALSE(CreateFolders(u"default.xcfg"));
    std::u16string path = Utf8ToWide((temp / "one/two/file.xcfg").c_str());
    EXPECT_TRUE(CreateFolders(path));
    struct stat info {};
    EXPECT_EQ(stat((temp / "one/two").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_FALSE(CreateFolders(path));  // already there
}

}  // namespace
