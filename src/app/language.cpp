#include "app/language.h"

#include <cstdlib>

#include "platform/registry.h"

namespace {

// The query buffer of the remembered language: 63 characters and the terminating zero.
constexpr std::size_t kLanguageCapacity = 128;

// The remembered code when the value is usable: a string that is empty (size 0) or ends in a
// zero unit; the code is what stands before the first zero.
bool ReadRememberedCode(const platform::RegistryFile& registry, std::u16string& code) {
    if (registry.OpenKey(kLanguageKey) != platform::RegistryStatus::Ok) {
        return false;
    }
    platform::RegistryValue value;
    if (registry.QueryValue(kLanguageKey, kLanguageValue, value, kLanguageCapacity) !=
        platform::RegistryStatus::Ok) {
        return false;
    }
    if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) {
        return false;
    }
    const auto& data = value.data;
    std::size_t size = data.size();
    if (size != 0 && (size % 2 != 0 || data[size - 2] != 0 || data[size - 1] != 0)) {
        return false;
    }
    code.clear();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        code.push_back(unit);
    }
    return true;
}

std::string InFolder(const std::string& folder, const std::string& fileName) {
    if (folder.empty()) {
        return fileName;
    }
    return folder + (folder.back() == '/' ? "" : "/") + fileName;
}

}  // namespace

std::string StringTableFileName(const std::u16string& languageCode) {
    std::string name = "ZELSoftware.";
    for (char16_t unit : languageCode) {
        name.push_back(static_cast<char>(unit & 0xFF));
    }
    return name + ".stc";
}

std::u16string DefaultLanguageCode() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* locale = std::getenv(variable);
        if (locale == nullptr || locale[0] == '\0') {
            continue;
        }
        std::string_view name(locale);
        std::string_view language = name.substr(0, name.find_first_of("_.@"));
        return language == "es" ? u"es" : u"en";
    }
    return u"en";
}

bool LoadLanguageTable(const MessageBoxFunction& showMessage, XCStringTableFile& table,
                       const std::string& tableFolder) {
    platform::RegistryFile registry;
    std::u16string code;
    if (ReadRememberedCode(registry, code) && !code.empty()) {
        // The user's choice stands on its own: no fallback, nothing written.
        return table.Open(InFolder(tableFolder, StringTableFileName(code)));
    }
    code = DefaultLanguageCode();
    if (!table.Open(InFolder(tableFolder, StringTableFileName(code)))) {
        return false;
    }
    if (registry.CreateKey(kLanguageKey) != platform::RegistryStatus::Ok) {
        if (showMessage) {
            std::u16string text;
            showMessage(table.GetString(2, text));
        }
        return false;
    }
    platform::RegistryValue value{platform::kRegSz, platform::RegistryStringData(code)};
    registry.SetValue(kLanguageKey, kLanguageValue, value);  // the choice is already made
    return true;
}
