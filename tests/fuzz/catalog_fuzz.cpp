// The catalog reader of zel-stc on any text. A catalog that parses must survive the whole road:
// written back line by line it parses to the same entries, and the string table built from it
// opens and gives every text back.
#include <string>

#include "app/string_table.h"
#include "catalog.h"
#include "config/utf.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    std::map<std::uint16_t, std::string> entries;
    std::string error;
    if (!ParseCatalog(content, entries, error)) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
        return 0;
    }

    std::string rewritten;
    for (const auto& [number, text] : entries) {
        rewritten += CatalogLine(number, text) + "\n";
    }
    std::map<std::uint16_t, std::string> again;
    FUZZ_CHECK(ParseCatalog(rewritten, again, error));
    FUZZ_CHECK(again == entries);

    const std::vector<std::uint8_t> built = BuildStringTable(entries);
    const std::string& path = ScratchFile("catalog.stc");
    if (!WriteScratch(path, built.data(), built.size())) {
        return 0;
    }
    XCStringTableFile table;
    FUZZ_CHECK(table.Open(path));
    FUZZ_CHECK(table.Entries().size() == entries.size());
    for (const auto& [number, text] : entries) {
        std::u16string got = u"\u00A7";
        table.GetString(number, got);
        FUZZ_CHECK(got == Utf8ToWide(text.c_str()));
    }
    return 0;
}
