// Conversions between UTF-8 bytes (files, sockets) and wide UTF-16 strings (the user interface).
#pragma once

#include <cstddef>
#include <string>

// Lenient UTF-8 decoding: malformed sequences are dropped, never fail. The first form stops at a
// zero byte, the second after `count` bytes (or at a zero byte).
std::u16string Utf8ToWide(const char* zeroTerminated);
std::u16string Utf8ToWide(const char* bytes, std::size_t count);
// Shortest-form UTF-8; stops at the first zero unit; lone surrogates are dropped.
std::string WideToUtf8(const std::u16string& wide);
