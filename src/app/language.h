// Choosing the language at start-up and opening its string table.
#pragma once

#include <functional>
#include <string>

#include "app/string_table.h"

// Registry key and value that remember the language, under HKEY_CURRENT_USER.
inline constexpr const char16_t* kLanguageKey = u"Software\\Tarvolin\\ZEL";
inline constexpr const char16_t* kLanguageValue = u"Language";

// Shows a text in a message box with an OK button and returns when it is closed.
using MessageBoxFunction = std::function<void(const std::u16string& text)>;

// "ZELSoftware." + code + ".stc", built from the low byte of each UTF-16 unit.
std::string StringTableFileName(const std::u16string& languageCode);

// The language of the user's POSIX locale: the first non-empty of LC_ALL, LC_MESSAGES and
// LANG; "es" when its language part (before '_', '.' or '@') is "es", "en" otherwise.
std::u16string DefaultLanguageCode();

// Chooses the language and opens its table in `table`, which start-up does once.
// A remembered "Language" value (a string of 63 characters at most) that is not empty names
// the table to open, and the result of that open is returned: nothing is written and there is
// no fallback. Otherwise the user's default language is taken; when its table opens, the
// registry key is created and "Language" is set to it. When the key cannot be created,
// text 2 of the table just opened is shown through `showMessage` and false is returned.
// Tables are opened as `tableFolder` + file name; an empty folder means the working folder.
// The registry lives in platform::UserRegistryPath().
bool LoadLanguageTable(const MessageBoxFunction& showMessage = {},
                       XCStringTableFile& table = StringTable(),
                       const std::string& tableFolder = {});
