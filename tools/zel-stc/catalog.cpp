#include "catalog.h"

#include "protocol/modbus_crc.h"

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

}  // namespace

bool ParseCatalog(const std::string& content, std::map<std::uint16_t, std::string>& entries,
                  std::string& error) {
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        auto fail = [&](const std::string& reason) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        };
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) {
            return fail("expected a number, a tab and the text");
        }
        unsigned long number = 0;
        for (std::size_t i = 0; i < tab; ++i) {
            if (line[i] < '0' || line[i] > '9' || number > 65535) {
                return fail("the number must be 0 to 65535");
            }
            number = number * 10 + static_cast<unsigned long>(line[i] - '0');
        }
        if (number > 65535) {
            return fail("the number must be 0 to 65535");
        }
        std::string text;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] != '\\') {
                text += line[i];
                continue;
            }
            char escaped = i + 1 < line.size() ? line[++i] : '\0';
            switch (escaped) {
                case 'n':
                    text += '\n';
                    break;
                case 't':
                    text += '\t';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case '\\':
                    text += '\\';
                    break;
                default:
                    return fail("unknown escape; use \\n, \\t, \\r or \\\\");
            }
        }
        if (text.size() > 65535) {
            return fail("text longer than 65535 bytes");
        }
        if (!entries.emplace(static_cast<std::uint16_t>(number), text).second) {
            return fail("number " + std::to_string(number) + " appears twice");
        }
    }
    return true;
}

std::string CatalogLine(unsigned number, const std::string& text) {
    std::string line = std::to_string(number) + '\t';
    for (char c : text) {
        switch (c) {
            case '\n':
                line += "\\n";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\\':
                line += "\\\\";
                break;
            default:
                line += c;
        }
    }
    return line;
}

std::vector<std::uint8_t> BuildStringTable(const std::map<std::uint16_t, std::string>& entries) {
    std::vector<std::uint8_t> out;
    PutBigEndian(out, static_cast<std::uint32_t>(entries.size()), 2);
    if (entries.empty()) {
        return out;  // an empty table ends after its count
    }
    std::uint32_t offset = static_cast<std::uint32_t>(2 + 8 * entries.size() + 2);
    for (const auto& [number, text] : entries) {
        PutBigEndian(out, number, 2);
        PutBigEndian(out, offset, 4);
        PutBigEndian(out, static_cast<std::uint32_t>(text.size()), 2);
        offset += static_cast<std::uint32_t>(text.size());
    }
    std::uint16_t crc = ModbusCrc16(out.data(), static_cast<int>(out.size()));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    for (const auto& entry : entries) {
        out.insert(out.end(), entry.second.begin(), entry.second.end());
    }
    return out;
}
