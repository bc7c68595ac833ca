// Wide strings of the window logic meet QString only here, at the edge of the Qt toolkit.
#pragma once

#include <QString>
#include <string>

inline QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16String(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}
