#include "config/settings.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "config/wide_integer.h"

namespace {

const std::string kDeclaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
const std::string kFirstStart =
    kDeclaration +
    "<config><productName>ZEL Software</productName><icono>Tarvolin.ico</icono>"
    "<timeRefresh>10</timeRefresh></config>";

class Settings : public testing::Test {
protected:
    std::string Path() const { return temp / "default.xcfg"; }
    TempFolder temp;
    XmlDocument document;
};

TEST_F(Settings, FirstStartWritesTheDefaults) {
    LoadedSettings loaded = LoadSettings(document, Path());
    EXPECT_EQ(ReadFile(Path()), kFirstStart);
    EXPECT_EQ(ReadFile(Path() + ".bad"), "<missing>");
    EXPECT_EQ(loaded.connection.comType, 0);
    EXPECT_EQ(loaded.connection.port, -1);
    EXPECT_EQ(loaded.connection.portConfig, -1);
    EXPECT_EQ(loaded.connection.stNum, 0);
    EXPECT_EQ(loaded.connection.ipAddress, u"");
    EXPECT_EQ(loaded.connection.ipSocket, 502);
    EXPECT_EQ(loaded.productName, u"ZEL Software");
    EXPECT_EQ(loaded.refreshPeriodMs, 10000);
    EXPECT_EQ(loaded.iconFile, u"");
}

TEST_F(Settings, UnreadableFileIsKeptAsideAndReplaced) {
    const std::string typo = kDeclaration + "<config><port>3</port><stNum>7</stNum></confg>";
    WriteFile(Path(), typo);
    LoadedSettings loaded = LoadSettings(document, Path());
    EXPECT_EQ(ReadFile(Path() + ".bad"), typo);
    EXPECT_EQ(ReadFile(Path()), kFirstStart);
    EXPECT_EQ(loaded.connection.port, -1);
}

TEST_F(Settings, EmptyRootGivesElementDefaultsAndFillsTheFile) {
    WriteFile(Path(), "<config/>");
    LoadedSettings loaded = LoadSettings(document, Path());
    EXPECT_EQ(loaded.connection.port, 0);
    EXPECT_EQ(loaded.connection.portConfig, 0);
    EXPECT_EQ(loaded.connection.ipSocket, 0);
    EXPECT_EQ(loaded.productName, u"ZEL Software");
    EXPECT_EQ(loaded.iconFile, u"");  // the default is written, but this run uses the built-in icon
    EXPECT_EQ(loaded.refreshPeriodMs, 10000);
    EXPECT_EQ(ReadFile(Path()), kFirstStart);
}

TEST_F(Settings, ForeignRootUnknownElementsAndAttributesSurvive) {
    const std::string file =
        kDeclaration +
        "<settings v=\"2\"><extra a=\"b\">keep</extra><port>4</port><ipAddress>10.0.0.9"
        "</ipAddress><productName>Meter &amp; Co</productName><icono>m.ico</icono>"
        "<timeRefresh>5</timeRefresh></settings>";
    WriteFile(Path(), file);
    LoadedSettings loaded = LoadSettings(document, Path());
    EXPECT_EQ(ReadFile(Path()), file);
    EXPECT_EQ(loaded.connection.port, 4);
    EXPECT_EQ(loaded.connection.ipAddress, u"10.0.0.9");
    EXPECT_EQ(loaded.connection.ipSocket, 0);  // missing element, unlike a missing file
    EXPECT_EQ(loaded.productName, u"Meter & Co");
    EXPECT_EQ(loaded.iconFile, u"m.ico");
    EXPECT_EQ(loaded.refreshPeriodMs, 5000);
}

struct RefreshCase {
    const char* name;
    std::string element;
    std::int32_t periodMs;
    std::string written;
};

void PrintTo(const RefreshCase& row, std::ostream* out) {
    *out << row.name;
}

class RefreshPeriod : public testing::TestWithParam<RefreshCase> {};

TEST_P(RefreshPeriod, ReadMultipliedAndWrittenBack) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    WriteFile(path, "<config><productName>P</productName><icono>i</icono>" + GetParam().element +
                        "</config>");
    XmlDocument document;
    EXPECT_EQ(LoadSettings(document, path).refreshPeriodMs, GetParam().periodMs);
    EXPECT_EQ(ReadFile(path), kDeclaration +
                                  "<config><productName>P</productName><icono>i</icono>" +
                                  GetParam().written + "</config>");
}

// 2147483647 * 1000 = 2147483647000 = 499 * 2^32 + 4294966296, which as a signed 32-bit
// value is -1000.
INSTANTIATE_TEST_SUITE_P(
    Cases, RefreshPeriod,
    testing::Values(RefreshCase{"Missing", "", 10000, "<timeRefresh>10</timeRefresh>"},
                    RefreshCase{"EmptyText", "<timeRefresh/>", 0, "<timeRefresh>0</timeRefresh>"},
                    RefreshCase{"FractionTruncated", "<timeRefresh>2.5</timeRefresh>", 2000,
                                "<timeRefresh>2</timeRefresh>"},
                    RefreshCase{"Negative", "<timeRefresh> -3</timeRefresh>", -3000,
                                "<timeRefresh>-3</timeRefresh>"},
                    RefreshCase{"ProductWraps", "<timeRefresh>2147483647</timeRefresh>", -1000,
                                "<timeRefresh>-1</timeRefresh>"},
                    RefreshCase{"SaturatesThenWraps", "<timeRefresh>99999999999</timeRefresh>",
                                -1000, "<timeRefresh>-1</timeRefresh>"}),
    [](const testing::TestParamInfo<RefreshCase>& row) { return row.param.name; });

TEST_F(Settings, StoreAppendsTheConnectionInItsOrder) {
    LoadSettings(document, Path());
    ConnectionSettings settings;
    ConnectionSettings controls{1, -1, -1, 0, u"meter-17.plant.example.com", 502};
    EXPECT_TRUE(StoreSettings(document, controls, settings));
    EXPECT_EQ(ReadFile(Path()), kDeclaration +
                                    "<config><productName>ZEL Software</productName>"
                                    "<icono>Tarvolin.ico</icono><timeRefresh>10</timeRefresh>"
                                    "<comType>1</comType><stNum></stNum><portConfig>-1"
                                    "</portConfig><port>-1</port><ipAddress>"
                                    "meter-17.plant.example.com</ipAddress><ipSocket>502"
                                    "</ipSocket></config>");
    EXPECT_EQ(settings.ipAddress, u"meter-17.plant.example.com");

    // Stored again over the existing elements; the values read back the same.
    controls = {0, 3, 5, 17, u"", -4};
    EXPECT_TRUE(StoreSettings(document, controls, settings));
    XmlDocument again;
    LoadedSettings loaded = LoadSettings(again, Path());
    EXPECT_EQ(loaded.connection.comType, 0);
    EXPECT_EQ(loaded.connection.port, 3);
    EXPECT_EQ(loaded.connection.portConfig, 5);
    EXPECT_EQ(loaded.connection.stNum, 17);
    EXPECT_EQ(loaded.connection.ipSocket, 0);
    EXPECT_EQ(settings.ipSocket, -4);
}

TEST_F(Settings, LongAddressCutWithoutSplittingAPair) {
    LoadSettings(document, Path());
    ConnectionSettings settings;
    std::u16string address(200, u'h');
    StoreSettings(document, {2, 1, 0, 1, address, 1}, settings);
    EXPECT_EQ(settings.ipAddress, std::u16string(kMaxAddressLength, u'h'));

    std::u16string astral = std::u16string(kMaxAddressLength - 1, u'h') + u"\xD83D\xDE00";
    StoreSettings(document, {2, 1, 0, 1, astral, 1}, settings);
    EXPECT_EQ(settings.ipAddress, std::u16string(kMaxAddressLength - 1, u'h'));
}

TEST_F(Settings, WindowIdentityAppliesNoDefaultsAndWritesNothing) {
    WriteFile(Path(), "<config><productName>P</productName></config>");
    WindowIdentity identity = ReadWindowIdentity(Path());
    EXPECT_EQ(identity.productName, u"P");
    EXPECT_EQ(identity.iconFile, u"");
    EXPECT_EQ(ReadFile(Path()), "<config><productName>P</productName></config>");
    WindowIdentity none = ReadWindowIdentity(temp / "missing.xcfg");
    EXPECT_EQ(none.productName, u"");
    EXPECT_EQ(ReadFile(temp / "missing.xcfg"), "<missing>");
}

TEST(ParseWideInteger, ReadsLikeDecimalConversion) {
    const struct {
        std::u16string text;
        std::int32_t value;
    } cases[] = {
        {u"", 0},
        {u"abc", 0},
        {u"  42x", 42},
        {u"\t-17", -17},
        {u"+8", 8},
        {u"2.5", 2},
        {u"- 5", 0},
        {u"2147483647", 2147483647},
        {u"2147483648", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"-99999999999999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseWideInteger(c.text), c.value) << std::string(c.text.begin(), c.text.end());
    }
}

}  // namespace
