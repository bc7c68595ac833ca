#include "platform/registry.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"

namespace {

using platform::RegistryFile;
using platform::RegistryStatus;
using platform::RegistryValue;

const std::u16string kKey = u"Software\\Tarvolin\\ZEL";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

struct ValueCase {
    const char* name;
    RegistryValue value;
    std::string line;  // how the value stands in the file
};

void PrintTo(const ValueCase& row, std::ostream* out) {
    *out << row.name;
}

class RegistryRoundTrip : public testing::TestWithParam<ValueCase> {};

TEST_P(RegistryRoundTrip, WrittenInRegistryEditorFormAndReadBackExactly) {
    TempFolder temp;
    RegistryFile registry(temp / "cfg/user.reg");
    ASSERT_EQ(registry.SetValue(kKey, u"V", GetParam().value), RegistryStatus::Ok);
    EXPECT_EQ(ReadFile(registry.Path()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Tarvolin\\ZEL]\n\"V\"=" +
                  GetParam().line + "\n\n");
    RegistryValue read;
    ASSERT_EQ(registry.QueryValue(kKey, u"v", read, 4096), RegistryStatus::Ok);
    EXPECT_EQ(read.type, GetParam().value.type);
    EXPECT_EQ(read.data, GetParam().value.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryRoundTrip,
    testing::Values(
        ValueCase{"String", {platform::kRegSz, Bytes({'e', 0, 's', 0, 0, 0})}, "\"es\""},
        ValueCase{"StringWithQuoteAndBackslash",
                  {platform::kRegSz, Bytes({'"', 0, '\\', 0, 0xE9, 0, 0, 0})},
                  "\"\\\"\\\\\xC3\xA9\""},
        ValueCase{"EmptyString", {platform::kRegSz, Bytes({0, 0})}, "\"\""},
        ValueCase{"StringWithoutData", {platform::kRegSz, {}}, "hex(1):"},
        ValueCase{"StringOddSize", {platform::kRegSz, Bytes({'e', 0, 's'})}, "hex(1):65,00,73"},
        ValueCase{"StringWithoutTerminator",
                  {platform::kRegSz, Bytes({'e', 0, 's', 0})},
                  "hex(1):65,00,73,00"},
        ValueCase{"StringWithZeroInside",
                  {platform::kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0})},
                  "hex(1):61,00,00,00,62,00,00,00"},
        ValueCase{"StringWithLineBreak",
                  {platform::kRegSz, Bytes({'\n', 0, 0, 0})},
                  "hex(1):0a,00,00,00"},
        ValueCase{"StringWithLoneSurrogate",
                  {platform::kRegSz, Bytes({0x3D, 0xD8, 0, 0})},
                  "hex(1):3d,d8,00,00"},
        ValueCase{"ExpandString",
                  {platform::kRegExpandSz, Bytes({'%', 0, 'A', 0, 0, 0})},
                  "hex(2):25,00,41,00,00,00"},
        ValueCase{"Dword", {platform::kRegDword, Bytes({0x2A, 0x01, 0, 0x80})}, "dword:8000012a"},
        ValueCase{"DwordOfWrongSize", {platform::kRegDword, Bytes({1, 2})}, "hex(4):01,02"},
        ValueCase{"Binary", {platform::kRegBinary, Bytes({0, 0xFF, 0x10})}, "hex:00,ff,10"},
        ValueCase{"EmptyBinary", {platform::kRegBinary, {}}, "hex:"},
        ValueCase{"NoType", {platform::kRegNone, Bytes({7})}, "hex(0):07"},
        ValueCase{
            "Qword", {11, Bytes({1, 0, 0, 0, 0, 0, 0, 0})}, "hex(b):01,00,00,00,00,00,00,00"}),
    [](const testing::TestParamInfo<ValueCase>& row) { return row.param.name; });

// A file as the registry editor exports it: byte-order mark, CRLF, comments, a wrapped hex
// list, other keys. A change keeps what it does not touch.
TEST(Registry, ReadsEditorFilesAndKeepsOtherKeys) {
    TempFolder temp;
    RegistryFile registry(temp / "user.reg");
    WriteFile(registry.Path(),
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "; exported\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
              "@=\"default\"\r\n\r\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\tarvolin\\zel]\r\n"
              "\"Path\"=hex(2):25,00,41,00,\\\r\n  00,00\r\n"
              "\"Gone\"=-\r\n");
    EXPECT_EQ(registry.OpenKey(kKey), RegistryStatus::Ok);
    EXPECT_EQ(registry.OpenKey(u"Software\\Tarvolin"), RegistryStatus::Ok);
    EXPECT_EQ(registry.OpenKey(u"Software\\Tarvo"), RegistryStatus::NotFound);
    RegistryValue value;
    ASSERT_EQ(registry.QueryValue(kKey, u"PATH", value, 128), RegistryStatus::Ok);
    EXPECT_EQ(value.type, platform::kRegExpandSz);
    EXPECT_EQ(value.data, Bytes({0x25, 0, 0x41, 0, 0, 0}));
    EXPECT_EQ(registry.QueryValue(kKey, u"Gone", value, 128), RegistryStatus::NotFound);
    EXPECT_EQ(registry.QueryValue(kKey, u"Path", value, 5), RegistryStatus::TooLarge);

    RegistryValue language{platform::kRegSz, platform::RegistryStringData(u"es")};
    ASSERT_EQ(registry.SetValue(kKey, u"Language", language), RegistryStatus::Ok);
    EXPECT_EQ(ReadFile(registry.Path()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\tarvolin\\zel]\n"
              "\"Path\"=hex(2):25,00,41,00,00,00\n\"Language\"=\"es\"\n\n");
}

TEST(Registry, MissingFileAndUnwritableFolder) {
    TempFolder temp;
    RegistryFile missing(temp / "none/user.reg");
    RegistryValue value;
    EXPECT_EQ(missing.OpenKey(kKey), RegistryStatus::NotFound);
    EXPECT_EQ(missing.QueryValue(kKey, u"Language", value, 128), RegistryStatus::NotFound);
    EXPECT_EQ(ReadFile(missing.Path()), "<missing>");

    WriteFile(temp / "plain", "a file where a folder should be");
    RegistryFile blocked(temp / "plain/cfg/user.reg");
    EXPECT_EQ(blocked.CreateKey(kKey), RegistryStatus::Failed);
    EXPECT_EQ(blocked.SetValue(kKey, u"Language", value), RegistryStatus::Failed);

    EXPECT_EQ(missing.CreateKey(kKey), RegistryStatus::Ok);
    EXPECT_EQ(ReadFile(missing.Path()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Tarvolin\\ZEL]\n\n");
}

}  // namespace
