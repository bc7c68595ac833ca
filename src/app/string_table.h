// The texts of the user interface, looked up by number in a binary string-table file.
//
// File layout (numbers big-endian): count N (2 bytes); N index entries of 8 bytes (text
// number 2, offset of the text from the start of the file 4, length in bytes 2), sorted by
// number; the CRC-16/MODBUS of everything before it, low byte first; then the UTF-8 texts
// anywhere after. A file with N = 0 ends after its count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class XCStringTableFile {
public:
    struct IndexEntry {
        std::uint16_t number;
        std::uint16_t length;
        std::uint32_t offset;
    };

    XCStringTableFile() = default;
    XCStringTableFile(const XCStringTableFile&) = delete;
    XCStringTableFile& operator=(const XCStringTableFile&) = delete;
    virtual ~XCStringTableFile();

    // Closes any file open before, then opens `fileName` and reads and checks its index.
    // True when the index checked out (the file then stays open for lookups) or the file
    // holds no entries (the table is then empty and closed). False, with the table closed,
    // when the file cannot be opened, ends before its check value or fails the check.
    bool Open(const std::string& fileName);

    // Closes the file and drops the index.
    void Close();
    bool IsOpen() const { return file_ >= 0; }

    // When the table has `number` and its bytes can all be read, replaces `text` with them
    // (converted from UTF-8 leniently, cut at a zero byte); otherwise leaves `text` exactly as
    // it was. Returns `text`. Reads the file at each call without moving any shared file
    // position, so lookups may run on any thread while no Open or Close runs.
    std::u16string& GetString(unsigned number, std::u16string& text) const;

    // The index in file order (empty when closed).
    const std::vector<IndexEntry>& Entries() const { return index_; }

private:
    std::vector<IndexEntry> index_;
    int file_ = -1;
};

// The process's one table, closed until the language is chosen.
XCStringTableFile& StringTable();

// Text `number` of StringTable(), empty when it lacks it.
std::u16string LoadText(unsigned number);
