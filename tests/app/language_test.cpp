#include "app/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "config/temp_folder.h"
#include "platform/atomic_file.h"

namespace {

const char* const kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG", "XDG_CONFIG_HOME"};

std::string Reg(const std::string& valueLine) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Tarvolin\\ZEL]\n" +
           valueLine + "\n";
}

std::string RegLanguage(const std::string& code) {
    return Reg("\"Language\"=\"" + code + "\"\n");
}

struct LanguageCase {
    const char* name;
    std::optional<std::string> registry;  // user.reg before the start; nothing: no file
    std::map<std::string, std::string> locale;
    bool frenchTable;
    bool spanishTable;
    bool result;
    const char* opened;                        // "en", "es", "fr" (an empty table) or "" (none)
    std::optional<std::string> registryAfter;  // nothing: unchanged
};

void PrintTo(const LanguageCase& row, std::ostream* out) {
    *out << row.name;
}

class LanguageStart : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kLocaleVariables) {
            const char* value = std::getenv(name);
            if (value != nullptr) {
                saved_[name] = value;
            }
            unsetenv(name);
        }
        setenv("XDG_CONFIG_HOME", (temp / "cfg").c_str(), 1);
        const char* programs = std::getenv("ZEL_PROGRAM_DIR");
        ASSERT_NE(programs, nullptr);
        mkdir((temp / "tables").c_str(), 0700);
        for (const char* code : {"en", "es"}) {
            std::string name = std::string("ZELSoftware.") + code + ".stc";
            std::string bytes = ReadFile(std::string(programs) + "/" + name);
            ASSERT_NE(bytes, "<missing>") << name;
            WriteFile(temp / ("tables/" + name), bytes);
            XCStringTableFile table;
            ASSERT_TRUE(table.Open(temp / ("tables/" + name)));
            table.GetString(1, firstText_[code]);
            ASSERT_FALSE(firstText_[code].empty());
        }
    }
    void TearDown() override {
        for (const char* name : kLocaleVariables) {
            auto it = saved_.find(name);
            if (it != saved_.end()) {
                setenv(name, it->second.c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
    }
    std::string RegistryPath() const { return temp / "cfg/Tarvolin/ZEL/user.reg"; }
    // Which of the tables `table` holds, by its text 1.
    std::string Opened(const XCStringTableFile& table) {
        std::u16string text;
        table.GetString(1, text);
        for (const auto& [code, first] : firstText_) {
            if (text == first) {
                return code;
            }
        }
        return table.IsOpen() ? "?" : "";
    }

    TempFolder temp;
    std::map<std::string, std::u16string> firstText_;
    std::map<std::string, std::string> saved_;
};

class Language : public LanguageStart, public testing::WithParamInterface<LanguageCase> {};

TEST_P(Language, ChoosesOpensAndRemembers) {
    const LanguageCase& c = GetParam();
    if (c.registry) {
        ASSERT_TRUE(platform::MakeFolders(temp / "cfg/Tarvolin/ZEL", 0700));
        WriteFile(RegistryPath(), *c.registry);
    }
    for (const auto& [name, value] : c.locale) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    if (c.frenchTable) {
        WriteFile(temp / "tables/ZELSoftware.fr.stc", std::string("\x00\x00", 2));
    }
    if (!c.spanishTable) {
        std::remove((temp / "tables/ZELSoftware.es.stc").c_str());
    }
    std::string before = ReadFile(RegistryPath());
    std::vector<std::u16string> messages;
    XCStringTableFile table;
    bool result = LoadLanguageTable([&](const std::u16string& text) { messages.push_back(text); },
                                    table, temp / "tables");

    EXPECT_EQ(result, c.result);
    std::string opened = Opened(table);
    if (std::string(c.opened) == "fr") {
        EXPECT_EQ(opened, "");  // the French table holds no texts
        EXPECT_TRUE(result);
    } else {
        EXPECT_EQ(opened, c.opened);
    }
    EXPECT_EQ(ReadFile(RegistryPath()), c.registryAfter ? *c.registryAfter : before);
    EXPECT_TRUE(messages.empty());
}

using Env = std::map<std::string, std::string>;
const Env kSpanish{{"LANG", "es_ES.UTF-8"}};
const Env kFrench{{"LANG", "fr_FR.UTF-8"}};
const Env kGerman{{"LANG", "de_DE.UTF-8"}};
const std::string k64(64, 'x');
const std::string k63(63, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, Language,
    testing::Values(
        LanguageCase{"NoRegistrySpanish", {}, kSpanish, false, true, true, "es", RegLanguage("es")},
        LanguageCase{"NoRegistryFrench", {}, kFrench, false, true, true, "en", RegLanguage("en")},
        LanguageCase{"NoRegistryGerman", {}, kGerman, false, true, true, "en", RegLanguage("en")},
        LanguageCase{"NoLocaleAtAll", {}, {}, false, true, true, "en", RegLanguage("en")},
        LanguageCase{"LcAllBeforeLang",
                     {},
                     {{"LC_ALL", "es_MX"}, {"LANG", "de_DE"}},
                     false,
                     true,
                     true,
                     "es",
                     RegLanguage("es")},
        LanguageCase{"LcMessagesBeforeLang",
                     {},
                     {{"LC_MESSAGES", "de_AT"}, {"LANG", "es_ES"}},
                     false,
                     true,
                     true,
                     "en",
                     RegLanguage("en")},
        LanguageCase{"EmptyLcAllSkipped",
                     {},
                     {{"LC_ALL", ""}, {"LANG", "es@euro"}},
                     false,
                     true,
                     true,
                     "es",
                     RegLanguage("es")},
        LanguageCase{"KeyWithoutValue", Reg(""), kSpanish, false, true, true, "es",
                     RegLanguage("es")},
        LanguageCase{"EmptyValueSpanish", RegLanguage(""), kSpanish, false, true, true, "es",
                     RegLanguage("es")},
        LanguageCase{"EmptyValueGerman", RegLanguage(""), kGerman, false, true, true, "en",
                     RegLanguage("en")},
        LanguageCase{"DwordValueSpanish", Reg("\"Language\"=dword:00000065"), kSpanish, false, true,
                     true, "es", RegLanguage("es")},
        LanguageCase{"DwordValueFrench", Reg("\"Language\"=dword:00000065"), kFrench, false, true,
                     true, "en", RegLanguage("en")},
        LanguageCase{"OddSizedString", Reg("\"Language\"=hex(1):65,00,73"), kGerman, false, true,
                     true, "en", RegLanguage("en")},
        LanguageCase{"ExpandStringTaken", Reg("\"Language\"=hex(2):65,00,73,00,00,00"), kGerman,
                     false, true, true, "es", std::nullopt},
        LanguageCase{"SixtyFourCharactersSpanish", RegLanguage(k64), kSpanish, false, true, true,
                     "es", RegLanguage("es")},
        LanguageCase{"SixtyFourCharactersGerman", RegLanguage(k64), kGerman, false, true, true,
                     "en", RegLanguage("en")},
        LanguageCase{"SixtyThreeCharactersTakenWithoutFile", RegLanguage(k63), kSpanish, false,
                     true, false, "", std::nullopt},
        LanguageCase{"RememberedSpanishOverGermanLocale", RegLanguage("es"), kGerman, false, true,
                     true, "es", std::nullopt},
        LanguageCase{"FrenchWithItsFile", RegLanguage("fr"), kSpanish, true, true, true, "fr",
                     std::nullopt},
        LanguageCase{"FrenchWithoutFileSpanish", RegLanguage("fr"), kSpanish, false, true, false,
                     "", std::nullopt},
        LanguageCase{"FrenchWithoutFileFrench", RegLanguage("fr"), kFrench, false, true, false, "",
                     std::nullopt},
        LanguageCase{"FrenchWithoutFileGerman", RegLanguage("fr"), kGerman, false, true, false, "",
                     std::nullopt},
        LanguageCase{"DefaultTableMissing", {}, kSpanish, false, false, false, "", std::nullopt}),
    [](const testing::TestParamInfo<LanguageCase>& row) { return row.param.name; });

TEST_F(LanguageStart, KeyThatCannotBeCreatedShowsTextTwo) {
    WriteFile(temp / "blocked", "a file where the settings folder should be");
    setenv("XDG_CONFIG_HOME", (temp / "blocked").c_str(), 1);
    setenv("LANG", "es_ES.UTF-8", 1);
    std::vector<std::u16string> messages;
    XCStringTableFile table;
    EXPECT_FALSE(LoadLanguageTable([&](const std::u16string& text) { messages.push_back(text); },
                                   table, temp / "tables"));
    XCStringTableFile spanish;
    ASSERT_TRUE(spanish.Open(temp / "tables/ZELSoftware.es.stc"));
    std::u16string textTwo;
    spanish.GetString(2, textTwo);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], textTwo);
    EXPECT_FALSE(textTwo.empty());
}

TEST(StringTableFileName, KeepsTheLowByteOfEachUnit) {
    EXPECT_EQ(StringTableFileName(u"es"), "ZELSoftware.es.stc");
    EXPECT_EQ(StringTableFileName(u"\x0165n"), "ZELSoftware.en.stc");
}

}  // namespace
