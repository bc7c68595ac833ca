#include "platform/registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/user_paths.h"

namespace platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootPrefix = "HKEY_CURRENT_USER\\";

struct Entry {
    std::string name;  // UTF-8; empty for the key's default value ("@")
    RegistryValue value;
};

struct Section {
    std::string key;  // the full key as written between the brackets
    std::vector<Entry> entries;
};

// The whole file as read; sections the format cannot hold (deletions) are left out.
struct Document {
    std::vector<Section> sections;
};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// UTF-8 <-> UTF-16 for names and quoted strings; the registry holds UTF-16 and the file UTF-8.
std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Strict decoding: nothing when the bytes are not well-formed UTF-8 of scalar values.
std::optional<std::u16string> FromUtf8(std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i < bytes.size();) {
        auto lead = static_cast<unsigned char>(bytes[i++]);
        std::uint32_t c;
        int follow;
        std::uint32_t minimum;
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            c = lead & 0x1F, follow = 1, minimum = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            c = lead & 0x0F, follow = 2, minimum = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            c = lead & 0x07, follow = 3, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        for (int k = 0; k < follow; ++k) {
            if (i >= bytes.size() || (static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
                return std::nullopt;
            }
            c = (c << 6) | (static_cast<unsigned char>(bytes[i++]) & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return std::nullopt;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// Reads a quoted string at the start of `text` (\" and \\ escaped); moves `text` past it.
std::optional<std::string> Unquote(std::string_view& text) {
    if (text.empty() || text.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
            out += text[++i];
        } else if (c == '"') {
            text.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    text = TrimSpaces(text);
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        auto byte = ParseHexNumber(TrimSpaces(text.substr(0, comma)), 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (comma == std::string_view::npos) {
            break;
        }
        text = TrimSpaces(text.substr(comma + 1));
    }
    return bytes;
}

// One value after its "=": "text", dword:, hex:, hex(N):. Nothing for a deletion ("-") or a
// form this file cannot hold.
std::optional<RegistryValue> ParseValue(std::string_view text) {
    text = TrimSpaces(text);
    RegistryValue value;
    if (!text.empty() && text.front() == '"') {
        auto quoted = Unquote(text);
        if (!quoted || !TrimSpaces(text).empty()) {
            return std::nullopt;
        }
        auto wide = FromUtf8(*quoted);
        if (!wide) {
            return std::nullopt;
        }
        value.type = kRegSz;
        value.data = RegistryStringData(*wide);
        return value;
    }
    if (text.starts_with("dword:")) {
        auto number = ParseHexNumber(text.substr(6), 8);
        if (!number) {
            return std::nullopt;
        }
        value.type = kRegDword;
        for (int shift = 0; shift < 32; shift += 8) {
            value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
        }
        return value;
    }
    std::string_view bytes;
    if (text.starts_with("hex:")) {
        value.type = kRegBinary;
        bytes = text.substr(4);
    } else if (text.starts_with("hex(")) {
        std::size_t close = text.find("):");
        auto type = close == std::string_view::npos ? std::nullopt
                                                    : ParseHexNumber(text.substr(4, close - 4), 8);
        if (!type) {
            return std::nullopt;
        }
        value.type = *type;
        bytes = text.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto data = ParseHexBytes(bytes);
    if (!data) {
        return std::nullopt;
    }
    value.data = std::move(*data);
    return value;
}

// The text of REG_SZ data when the quoted form carries it exactly: one terminating zero at
// the end, no zero or line break before it, well-formed UTF-16.
std::optional<std::string> QuotableString(const RegistryValue& value) {
    const auto& data = value.data;
    if (value.type != kRegSz || data.size() < 2 || data.size() % 2 != 0 ||
        data[data.size() - 2] != 0 || data[data.size() - 1] != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0 || unit == u'\n' || unit == u'\r') {
            return std::nullopt;
        }
        text += unit;
    }
    std::string utf8 = ToUtf8(text);
    auto back = FromUtf8(utf8);
    if (!back || *back != text) {
        return std::nullopt;  // a lone surrogate
    }
    return utf8;
}

std::string HexList(const std::vector<std::uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

std::string FormatValue(const RegistryValue& value) {
    if (auto text = QuotableString(value)) {
        return Quote(*text);
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        char digits[9];
        std::snprintf(
            digits, sizeof digits, "%08x",
            static_cast<unsigned>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                  static_cast<std::uint32_t>(value.data[3]) << 24));
        return std::string("dword:") + digits;
    }
    if (value.type == kRegBinary) {
        return "hex:" + HexList(value.data);
    }
    char type[16];
    std::snprintf(type, sizeof type, "%x", static_cast<unsigned>(value.type));
    return std::string("hex(") + type + "):" + HexList(value.data);
}

// Lines of the file with continuations ("\" at the end of a line) joined.
std::vector<std::string> LogicalLines(std::string_view content) {
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    while (!content.empty()) {
        std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        line = TrimSpaces(line);
        if (continuing) {
            current += line;
        } else {
            current = std::string(line);
        }
        // Long hex lists go on after a trailing backslash, which follows a comma or the colon.
        continuing = current.size() >= 2 && current.back() == '\\' &&
                     (current[current.size() - 2] == ',' || current[current.size() - 2] == ':');
        if (continuing) {
            current.pop_back();
            continue;
        }
        lines.push_back(current);
    }
    if (continuing) {
        lines.push_back(current);
    }
    return lines;
}

Document Parse(std::string_view content) {
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    Document document;
    Section* section = nullptr;
    for (const std::string& line : LogicalLines(content)) {
        if (line.empty() || line.front() == ';' || line == kHeader) {
            continue;
        }
        if (line.front() == '[') {
            section = nullptr;
            if (line.back() == ']' && line.size() > 2 && line[1] != '-') {
                document.sections.push_back({line.substr(1, line.size() - 2), {}});
                section = &document.sections.back();
            }
            continue;
        }
        if (section == nullptr) {
            continue;
        }
        std::string_view rest = line;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            auto quoted = Unquote(rest);
            if (!quoted) {
                continue;
            }
            name = *quoted;
        }
        rest = TrimSpaces(rest);
        if (rest.empty() || rest.front() != '=') {
            continue;
        }
        auto value = ParseValue(rest.substr(1));
        if (!value) {
            continue;
        }
        for (auto it = section->entries.begin(); it != section->entries.end(); ++it) {
            if (SameName(it->name, name)) {
                section->entries.erase(it);
                break;
            }
        }
        section->entries.push_back({name, std::move(*value)});
    }
    return document;
}

std::string Format(const Document& document) {
    std::string out(kHeader);
    out += "\n\n";
    for (const Section& section : document.sections) {
        out += "[" + section.key + "]\n";
        for (const Entry& entry : section.entries) {
            out += entry.name.empty() ? std::string("@") : Quote(entry.name);
            out += "=" + FormatValue(entry.value) + "\n";
        }
        out += "\n";
    }
    return out;
}

// NotFound when there is no file yet.
RegistryStatus ReadDocument(const std::string& path, Document& document) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? RegistryStatus::NotFound
                                                   : RegistryStatus::Failed;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            close(fd);
            if (got < 0) {
                return RegistryStatus::Failed;
            }
            break;
        }
    }
    document = Parse(content);
    return RegistryStatus::Ok;
}

RegistryStatus WriteDocument(const std::string& path, const Document& document) {
    std::size_t slash = path.rfind('/');
    std::string bytes = Format(document);
    FileWriteResult result = ReplaceFileContents(path, bytes);
    if (result == FileWriteResult::FolderMissing && slash != std::string::npos &&
        MakeFolders(path.substr(0, slash), 0700)) {
        result = ReplaceFileContents(path, bytes);
    }
    return result == FileWriteResult::Ok ? RegistryStatus::Ok : RegistryStatus::Failed;
}

std::string FullKey(const std::u16string& key) {
    return std::string(kRootPrefix) + ToUtf8(key);
}

Section* FindSection(Document& document, const std::string& fullKey) {
    for (Section& section : document.sections) {
        if (SameName(section.key, fullKey)) {
            return &section;
        }
    }
    return nullptr;
}

// A key exists when it has a section of its own or one beneath it.
bool KeyExists(const Document& document, const std::string& fullKey) {
    for (const Section& section : document.sections) {
        if (SameName(section.key, fullKey) ||
            (section.key.size() > fullKey.size() && section.key[fullKey.size()] == '\\' &&
             SameName(std::string_view(section.key).substr(0, fullKey.size()), fullKey))) {
            return true;
        }
    }
    return false;
}

// Reads the file for a change; a missing file is an empty registry.
RegistryStatus ReadForChange(const std::string& path, Document& document) {
    RegistryStatus status = ReadDocument(path, document);
    return status == RegistryStatus::NotFound ? RegistryStatus::Ok : status;
}

Section& EnsureSection(Document& document, const std::string& fullKey) {
    if (Section* section = FindSection(document, fullKey)) {
        return *section;
    }
    document.sections.push_back({fullKey, {}});
    return document.sections.back();
}

}  // namespace

std::string UserRegistryPath() {
    return UserConfigDir() + "/user.reg";
}

std::vector<std::uint8_t> RegistryStringData(const std::u16string& text) {
    std::vector<std::uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t unit : text) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

RegistryStatus RegistryFile::OpenKey(const std::u16string& key) const {
    Document document;
    RegistryStatus status = ReadDocument(path_, document);
    if (status != RegistryStatus::Ok) {
        return status;
    }
    return KeyExists(document, FullKey(key)) ? RegistryStatus::Ok : RegistryStatus::NotFound;
}

RegistryStatus RegistryFile::QueryValue(const std::u16string& key, const std::u16string& name,
                                        RegistryValue& value, std::size_t capacity) const {
    Document document;
    RegistryStatus status = ReadDocument(path_, document);
    if (status != RegistryStatus::Ok) {
        return status;
    }
    Section* section = FindSection(document, FullKey(key));
    if (section == nullptr) {
        return RegistryStatus::NotFound;
    }
    std::string wanted = ToUtf8(name);
    for (const Entry& entry : section->entries) {
        if (SameName(entry.name, wanted)) {
            if (entry.value.data.size() > capacity) {
                return RegistryStatus::TooLarge;
            }
            value = entry.value;
            return RegistryStatus::Ok;
        }
    }
    return RegistryStatus::NotFound;
}

RegistryStatus RegistryFile::CreateKey(const std::u16string& key) const {
    Document document;
    RegistryStatus status = ReadForChange(path_, document);
    if (status != RegistryStatus::Ok) {
        return status;
    }
    EnsureSection(document, FullKey(key));
    return WriteDocument(path_, document);
}

RegistryStatus RegistryFile::SetValue(const std::u16string& key, const std::u16string& name,
                                      const RegistryValue& value) const {
    Document document;
    RegistryStatus status = ReadForChange(path_, document);
    if (status != RegistryStatus::Ok) {
        return status;
    }
    Section& section = EnsureSection(document, FullKey(key));
    std::string entryName = ToUtf8(name);
    bool replaced = false;
    for (Entry& entry : section.entries) {
        if (SameName(entry.name, entryName)) {
            entry.value = value;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        section.entries.push_back({entryName, value});
    }
    return WriteDocument(path_, document);
}

}  // namespace platform
