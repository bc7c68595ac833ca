// The per-user registry: keys and typed values under HKEY_CURRENT_USER, kept in one UTF-8
// file in the registry editor's text format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Tarvolin\ZEL]
//   "Language"="es"
//   "Count"=dword:0000002a
//   "Path"=hex(2):25,00,41,00,00,00
//   "Blob"=hex:01,02,03
//
// Key and value names compare without regard to ASCII case. Every value type and every data
// size round-trips; string data that the quoted form cannot carry exactly is written as
// hex(1):. Writes replace the file atomically (temporary file, flush, rename).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Value types as the registry numbers them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Data exactly as the registry holds it: strings are UTF-16LE with their terminating zero.
struct RegistryValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

enum class RegistryStatus {
    Ok,
    NotFound,  // no such key or value (also: no registry file yet)
    TooLarge,  // the data is longer than the caller's capacity; nothing returned
    Failed,    // the file or its folder cannot be created, read or written
};

// UserConfigDir() + "/user.reg".
std::string UserRegistryPath();

// A string as registry data: UTF-16LE plus a terminating zero unit.
std::vector<std::uint8_t> RegistryStringData(const std::u16string& text);

// The registry stored in one file. Each call reads the file afresh; nothing is cached.
class RegistryFile {
public:
    explicit RegistryFile(std::string path = UserRegistryPath()) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // Ok when `key` (e.g. u"Software\\Tarvolin\\ZEL") exists, NotFound when it does not.
    RegistryStatus OpenKey(const std::u16string& key) const;

    // Reads one value; TooLarge when its data exceeds `capacity` bytes.
    RegistryStatus QueryValue(const std::u16string& key, const std::u16string& name,
                              RegistryValue& value, std::size_t capacity) const;

    // Creates `key` (and the file and its folders) unless it exists; in both cases proves the
    // file can be written. Ok or Failed.
    RegistryStatus CreateKey(const std::u16string& key) const;

    // Sets one value, creating the key when needed. Ok or Failed.
    RegistryStatus SetValue(const std::u16string& key, const std::u16string& name,
                            const RegistryValue& value) const;

private:
    std::string path_;
};

}  // namespace platform
