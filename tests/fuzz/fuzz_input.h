// Helpers shared by the fuzz targets: a cursor over the fuzzer's bytes, a check that stops the
// run with a message, and a scratch file for readers that only take a file name.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>
#include <vector>

// Hands out the fuzz input front to back; past the end every read yields zeros / nothing.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Left() const { return size_ - pos_; }

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word() {
        std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    // Up to `count` bytes (fewer at the end of the input).
    std::vector<std::uint8_t> Take(std::size_t count) {
        std::size_t n = count < Left() ? count : Left();
        std::vector<std::uint8_t> piece(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return piece;
    }
    std::vector<std::uint8_t> Rest() { return Take(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A broken invariant is a finding: say which and stop, so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// A file of this process for readers that open by name: in /dev/shm when it exists, so the
// thousands of writes per second a fuzzer makes stay in memory. Removed at exit.
inline const std::string& ScratchFile(const char* tag) {
    static std::list<std::string> made;  // stable addresses for the returned references
    static bool cleanup = (std::atexit([] {
                               for (const auto& path : made) {
                                   std::remove(path.c_str());
                               }
                           }),
                           true);
    (void)cleanup;
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string path = folder + "/zel-fuzz-" + std::to_string(getpid()) + "-" + tag;
    for (const auto& known : made) {
        if (known == path) {
            return known;
        }
    }
    made.push_back(path);
    return made.back();
}

inline bool WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// CRC-16/MODBUS bit by bit, independent of the table method under test.
inline std::uint16_t BitwiseCrc16(const std::uint8_t* data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}
