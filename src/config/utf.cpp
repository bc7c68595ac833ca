#include "config/utf.h"

#include <cstdint>
#include <cstring>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendCodePoint(std::u16string& out, std::uint32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
    } else if (codePoint <= 0x10FFFF) {
        std::uint32_t rest = codePoint - 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (rest >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (rest & 0x3FF)));
    }
    // Beyond U+10FFFF (only malformed four-byte forms reach here) nothing can stand for it
    // in UTF-16, so it is dropped like any other malformed sequence.
}

std::u16string Decode(const unsigned char* bytes, std::size_t count) {
    std::u16string out;
    out.reserve(count);
    std::size_t i = 0;
    while (i < count && bytes[i] != 0) {
        unsigned char lead = bytes[i++];
        int follow;
        std::uint32_t codePoint;
        if (lead < 0x80) {
            out.push_back(lead);
            continue;
        } else if (lead < 0xC0) {
            continue;  // a stray continuation byte
        } else if (lead < 0xE0) {
            follow = 1;
            codePoint = lead & 0x1F;
        } else if (lead < 0xF0) {
            follow = 2;
            codePoint = lead & 0x0F;
        } else if (lead < 0xF8) {
            follow = 3;
            codePoint = lead & 0x07;
        } else {
            while (i < count && IsContinuation(bytes[i])) {
                ++i;
            }
            continue;
        }
        bool complete = true;
        for (int k = 0; k < follow; ++k) {
            if (i >= count || bytes[i] == 0) {
                complete = false;  // cut off by the end
                break;
            }
            unsigned char next = bytes[i++];
            if (!IsContinuation(next)) {
                complete = false;  // dropped together with the byte that broke it
                break;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (complete) {
            AppendCodePoint(out, codePoint);
        }
    }
    return out;
}

}  // namespace

std::u16string Utf8ToWide(const char* zeroTerminated) {
    if (zeroTerminated == nullptr) {
        return {};
    }
    return Decode(reinterpret_cast<const unsigned char*>(zeroTerminated),
                  std::strlen(zeroTerminated));
}

std::u16string Utf8ToWide(const char* bytes, std::size_t count) {
    if (bytes == nullptr) {
        return {};
    }
    return Decode(reinterpret_cast<const unsigned char*>(bytes), count);
}

std::string WideToUtf8(const std::u16string& wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size() && wide[i] != 0; ++i) {
        std::uint32_t unit = wide[i];
        std::uint32_t codePoint;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            continue;  // a low surrogate without its high half
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) {
                continue;  // the next unit is converted on its own
            }
            codePoint = 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else {
            codePoint = unit;
        }
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return out;
}
