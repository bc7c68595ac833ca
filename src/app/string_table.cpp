#include "app/string_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "config/utf.h"
#include "protocol/modbus_crc.h"

namespace {

// Reads exactly `count` bytes at `offset`; false when the file ends first or a read fails.
bool ReadAt(int fd, std::uint8_t* buffer, std::size_t count, off_t offset) {
    while (count > 0) {
        ssize_t got = pread(fd, buffer, count, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        buffer += got;
        count -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

std::uint16_t BigEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

}  // namespace

XCStringTableFile::~XCStringTableFile() {
    Close();
}

void XCStringTableFile::Close() {
    if (file_ >= 0) {
        close(file_);
    }
    file_ = -1;
    index_.clear();
}

bool XCStringTableFile::Open(const std::string& fileName) {
    Close();
    int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::uint8_t countBytes[2];
    if (!ReadAt(fd, countBytes, 2, 0)) {
        close(fd);
        return false;
    }
    std::size_t count = BigEndian16(countBytes);
    if (count == 0) {
        close(fd);
        return true;
    }
    // The index and its check value in one read; at most 512 KiB.
    std::vector<std::uint8_t> bytes(2 + 8 * count + 2);
    bytes[0] = countBytes[0];
    bytes[1] = countBytes[1];
    if (!ReadAt(fd, bytes.data() + 2, bytes.size() - 2, 2)) {
        close(fd);
        return false;
    }
    int checked = static_cast<int>(2 + 8 * count);
    std::uint16_t crc = ModbusCrc16(bytes.data(), checked);
    if (bytes[checked] != (crc & 0xFF) || bytes[checked + 1] != (crc >> 8)) {
        close(fd);
        return false;
    }
    index_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = bytes.data() + 2 + 8 * i;
        index_[i] = {BigEndian16(entry), BigEndian16(entry + 6), BigEndian32(entry + 2)};
    }
    file_ = fd;
    return true;
}

std::u16string& XCStringTableFile::GetString(unsigned number, std::u16string& text) const {
    if (file_ < 0) {
        return text;
    }
    // Binary search over the index as written: a file with duplicate or unsorted numbers
    // finds what this exact search finds.
    long low = 0;
    long high = static_cast<long>(index_.size()) - 1;
    const IndexEntry* match = nullptr;
    while (low <= high) {
        long middle = (low + high) / 2;
        unsigned current = index_[static_cast<std::size_t>(middle)].number;
        if (current > number) {
            high = middle - 1;
        } else if (current < number) {
            low = middle + 1;
        } else {
            match = &index_[static_cast<std::size_t>(middle)];
            break;
        }
    }
    if (match == nullptr) {
        return text;
    }
    std::vector<std::uint8_t> buffer(std::size_t{match->length} + 2);
    if (!ReadAt(file_, buffer.data(), match->length, static_cast<off_t>(match->offset))) {
        return text;
    }
    buffer[match->length] = 0;
    text = Utf8ToWide(reinterpret_cast<const char*>(buffer.data()));
    return text;
}

XCStringTableFile& StringTable() {
    static XCStringTableFile table;
    return table;
}

std::u16string LoadText(unsigned number) {
    std::u16string text;
    return StringTable().GetString(number, text);
}
