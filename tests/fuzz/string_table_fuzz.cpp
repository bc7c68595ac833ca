// XCStringTableFile::Open and GetString on any file. Every index that opens must be usable:
// each lookup either yields the text's bytes or leaves the caller's text exactly as it was.
//
// Input: mode byte (bit 0: write the correct check value behind the index, so the fuzzer gets
// past the check), then the file's bytes.
#include "app/string_table.h"
#include "config/utf.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const bool fixCheck = (in.Byte() & 1) != 0;
    std::vector<std::uint8_t> file = in.Rest();
    std::size_t count = file.size() >= 2 ? (file[0] << 8 | file[1]) : 0;
    std::size_t indexEnd = 2 + 8 * count;
    if (fixCheck && count > 0 && file.size() >= indexEnd + 2) {
        const std::uint16_t crc = BitwiseCrc16(file.data(), indexEnd);
        file[indexEnd] = static_cast<std::uint8_t>(crc);
        file[indexEnd + 1] = static_cast<std::uint8_t>(crc >> 8);
    }
    const std::string& path = ScratchFile("table.stc");
    if (!WriteScratch(path, file.data(), file.size())) {
        return 0;
    }

    XCStringTableFile table;
    const bool opened = table.Open(path);
    if (file.size() < 2 || (count > 0 && file.size() < indexEnd + 2)) {
        FUZZ_CHECK(!opened);
    }
    if (!opened || count == 0) {
        FUZZ_CHECK(!table.IsOpen() && table.Entries().empty());
        std::u16string untouched = u"keep";
        FUZZ_CHECK(table.GetString(1, untouched) == u"keep");
        return 0;
    }
    FUZZ_CHECK(table.Entries().size() == count);
    // With numbers in strictly ascending order the search finds every entry, so each text
    // that lies wholly inside the file comes back as its bytes; one that does not, never.
    bool ascending = true;
    for (std::size_t i = 1; i < count; ++i) {
        ascending = ascending && table.Entries()[i - 1].number < table.Entries()[i].number;
    }
    for (const auto& entry : table.Entries()) {
        std::u16string text = u"\u00A7";
        table.GetString(entry.number, text);
        if (!ascending) {
            continue;
        }
        if (entry.length == 0) {
            // Needs no byte of the file, wherever its offset points.
            FUZZ_CHECK(text.empty());
        } else if (std::size_t{entry.offset} + entry.length <= file.size()) {
            const char* bytes = reinterpret_cast<const char*>(file.data()) + entry.offset;
            FUZZ_CHECK(text == Utf8ToWide(bytes, entry.length));
        } else {
            FUZZ_CHECK(text == u"\u00A7");
        }
    }
    // Numbers the table lacks leave the text alone.
    for (unsigned number : {0u, 1u, 65535u, 65536u}) {
        bool present = false;
        for (const auto& entry : table.Entries()) {
            present = present || entry.number == number;
        }
        std::u16string text = u"keep";
        table.GetString(number, text);
        if (!present) {
            FUZZ_CHECK(text == u"keep");
        }
    }
    return 0;
}
