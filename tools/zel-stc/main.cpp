// zel-stc: builds string-table files from text catalogs and prints them back.
//
//   zel-stc build CATALOG OUT.stc
//   zel-stc dump FILE.stc
//
// Exit status: 0 done, 1 a file could not be read, written or opened as a table, 64 usage.

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "app/string_table.h"
#include "catalog.h"
#include "config/utf.h"
#include "platform/atomic_file.h"

namespace {

int Usage() {
    std::cerr << "usage: zel-stc build CATALOG OUT.stc | zel-stc dump FILE.stc\n";
    return 64;
}

int Build(const std::string& catalogPath, const std::string& outPath) {
    std::ifstream in(catalogPath, std::ios::binary);
    if (!in) {
        std::cerr << "zel-stc: cannot read " << catalogPath << '\n';
        return 1;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::uint16_t, std::string> entries;
    std::string error;
    if (!ParseCatalog(content, entries, error)) {
        std::cerr << "zel-stc: " << catalogPath << ": " << error << '\n';
        return 1;
    }
    std::vector<std::uint8_t> table = BuildStringTable(entries);
    std::string_view bytes(reinterpret_cast<const char*>(table.data()), table.size());
    if (platform::ReplaceFileContents(outPath, bytes) != platform::FileWriteResult::Ok) {
        std::cerr << "zel-stc: cannot write " << outPath << '\n';
        return 1;
    }
    return 0;
}

int Dump(const std::string& path) {
    XCStringTableFile table;
    if (!table.Open(path)) {
        std::cerr << "zel-stc: " << path << " is not a readable string table\n";
        return 1;
    }
    for (const auto& entry : table.Entries()) {
        std::u16string text;
        table.GetString(entry.number, text);
        std::cout << CatalogLine(entry.number, WideToUtf8(text)) << '\n';
    }
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string action = argc > 1 ? argv[1] : "";
    if (action == "build" && argc == 4) {
        return Build(argv[2], argv[3]);
    }
    if (action == "dump" && argc == 3) {
        return Dump(argv[2]);
    }
    return Usage();
}
