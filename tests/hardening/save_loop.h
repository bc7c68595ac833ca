// What hardening_save_loop writes, shared with the test that judges the files it leaves.
#pragma once

#include <string>

inline constexpr std::size_t kPayloadLength = 200000;
inline constexpr const char16_t* kSaveLoopKey = u"Software\\Tarvolin\\ZEL";
inline constexpr const char16_t* kSaveLoopValue = u"Language";

// Version 0 is all 'a', version 1 all 'b'.
inline std::u16string SavePayload(unsigned version) {
    return std::u16string(kPayloadLength, static_cast<char16_t>(u'a' + version));
}
