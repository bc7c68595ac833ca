#include "config/xml_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "config/utf.h"
#include "platform/atomic_file.h"

namespace {

constexpr std::string_view kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The five predefined entities, in one left-to-right pass; any other '&' stands for itself.
std::u16string DecodeEntities(const std::u16string& text) {
    static constexpr struct {
        std::u16string_view entity;
        char16_t character;
    } kEntities[] = {
        {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&amp;", u'&'}, {u"&apos;", u'\''}, {u"&quot;", u'"'}};
    std::u16string out;
    out.reserve(text.size());
    std::u16string_view rest = text;
    while (!rest.empty()) {
        if (rest.front() == u'&') {
            bool matched = false;
            for (const auto& entry : kEntities) {
                if (rest.substr(0, entry.entity.size()) == entry.entity) {
                    out.push_back(entry.character);
                    rest.remove_prefix(entry.entity.size());
                    matched = true;
                    break;
                }
            }
            if (matched) {
                continue;
            }
        }
        out.push_back(rest.front());
        rest.remove_prefix(1);
    }
    return out;
}

// Attribute text: name="value" pairs. Reading stops quietly at the first pair that does not
// fit; what was read stays set. A double quote is looked for first and an apostrophe only when
// no double quote follows at all; knowing where the last double quote stands keeps that
// linear in the length of the tag.
void ReadAttributes(XmlNode& node, std::u16string_view text) {
    const std::size_t lastDoubleQuote = text.rfind(u'"');
    std::size_t position = 0;
    auto doubleQuoteFollows = [&] {
        return lastDoubleQuote != std::u16string_view::npos && lastDoubleQuote >= position;
    };
    while (position < text.size()) {
        std::u16string_view rest = Trim(text.substr(position));
        position = static_cast<std::size_t>(rest.data() - text.data());
        std::size_t equals = rest.find(u'=');
        if (equals == std::u16string_view::npos) {
            return;
        }
        std::u16string_view attributeName = rest.substr(0, equals);
        position += equals + 1;
        if (position >= text.size()) {
            return;
        }
        char16_t open = text[position];
        if (open != u'"' && (doubleQuoteFollows() || open != u'\'')) {
            return;
        }
        ++position;
        char16_t closing = doubleQuoteFollows() ? u'"' : u'\'';
        std::size_t close = text.find(closing, position);
        if (close == std::u16string_view::npos) {
            return;
        }
        node.SetAttribute(std::u16string(attributeName),
                          std::u16string(text.substr(position, close - position)));
        position = close + 1;
    }
}

class Reader {
public:
    Reader(XmlDocument& document, const char* begin, const char* end)
        : document_(document), position_(begin), end_(end) {}

    const char* position() const { return position_; }
    void Skip(std::size_t count) { position_ += count; }

    // One element at the position, or nullptr; a failure anywhere below releases the
    // partly built element.
    std::unique_ptr<XmlNode> ReadElement(int depth) {
        if (depth > kMaxXmlDepth || position_ >= end_ || *position_ != '<') {
            return nullptr;
        }
        ++position_;
        const char* tagEnd = Find('>');
        if (tagEnd == nullptr) {
            return nullptr;
        }
        std::string_view tagBytes(position_, static_cast<std::size_t>(tagEnd - position_));
        position_ = tagEnd + 1;

        std::u16string tag = Utf8ToWide(tagBytes.data(), tagBytes.size());
        std::size_t space = tag.find(u' ');
        bool hasAttributeText = space != std::u16string::npos;
        std::u16string elementName = hasAttributeText ? tag.substr(0, space) : tag;
        std::u16string attributeText = hasAttributeText ? tag.substr(space + 1) : std::u16string();
        bool selfClosing = !tag.empty() && tag.back() == u'/';
        if (selfClosing) {
            (hasAttributeText ? attributeText : elementName).pop_back();
        }
        // The closing tag must repeat the opening tag's bytes, not their decoded form.
        std::string_view rawName = tagBytes.substr(0, tagBytes.find(' '));

        auto node = std::make_unique<XmlNode>(&document_, document_.PoolName(elementName));
        if (!attributeText.empty()) {
            ReadAttributes(*node, attributeText);
        }
        if (selfClosing) {
            return node;
        }

        std::u16string collected;
        for (;;) {
            if (position_ >= end_) {
                return nullptr;
            }
            if (*position_ == '<' && end_ - position_ >= 2 && position_[1] == '/') {
                std::string_view rest(position_ + 2,
                                      static_cast<std::size_t>(end_ - position_ - 2));
                if (rest.size() <= rawName.size() || rest.substr(0, rawName.size()) != rawName ||
                    rest[rawName.size()] != '>') {
                    return nullptr;
                }
                position_ += 2 + rawName.size() + 1;
                node->text = DecodeEntities(collected);
                return node;
            }
            if (*position_ == '<') {
                std::unique_ptr<XmlNode> child = ReadElement(depth + 1);
                if (!child) {
                    return nullptr;
                }
                node->AppendChild(std::move(child));
                continue;
            }
            const char* next = Find('<');
            if (next == nullptr) {
                return nullptr;
            }
            collected += Utf8ToWide(position_, static_cast<std::size_t>(next - position_));
            position_ = next;
        }
    }

    const char* Find(char c) const {
        return static_cast<const char*>(
            std::memchr(position_, c, static_cast<std::size_t>(end_ - position_)));
    }

private:
    XmlDocument& document_;
    const char* position_;
    const char* end_;
};

bool ReadWholeFile(const std::string& fileName, std::string& content) {
    int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    close(fd);
    return ok;
}

void WriteElement(const XmlNode& node, std::string& out) {
    std::string escapedName = EscapeXml(WideToUtf8(*node.name));
    out += '<';
    out += escapedName;
    for (const auto& [attributeName, value] : node.attributes) {
        out += ' ';
        out += WideToUtf8(attributeName);
        out += "=\"";
        out += WideToUtf8(value);
        out += '"';
    }
    out += '>';
    for (const auto& child : node.children) {
        WriteElement(*child, out);
    }
    if (node.text && !node.text->empty()) {
        out += EscapeXml(WideToUtf8(*node.text));
    }
    out += "</";
    out += escapedName;
    out += '>';
}

}  // namespace

// ---- XmlNode ----

XmlNode* XmlNode::Find(const std::u16string& path) {
    return const_cast<XmlNode*>(static_cast<const XmlNode*>(this)->Find(path));
}

const XmlNode* XmlNode::Find(const std::u16string& path) const {
    const XmlNode* node = this;
    std::u16string_view rest = path;
    for (;;) {
        std::size_t start = rest.find_first_not_of(u'/');
        if (start == std::u16string_view::npos) {
            return node;
        }
        rest.remove_prefix(start);

        enum { Plain, HasChild, HasValue } form = Plain;
        std::size_t slash = rest.find(u'/');
        std::size_t question = rest.find(u'?');
        std::u16string_view childName;
        std::u16string sub;
        std::u16string_view value;
        std::size_t segmentEnd;  // position of the '/' after the segment, or npos
        if (question == std::u16string_view::npos ||
            (slash != std::u16string_view::npos && slash < question)) {
            childName = rest.substr(0, slash);
            segmentEnd = slash;
        } else {
            childName = rest.substr(0, question);
            std::size_t nextQuestion = rest.find(u'?', question + 1);
            std::size_t equals = rest.find(u'=', question + 1);
            if (nextQuestion == std::u16string_view::npos) {
                return nullptr;
            }
            std::size_t close;
            if (equals == std::u16string_view::npos || nextQuestion < equals) {
                form = HasChild;
                sub = rest.substr(question + 1, nextQuestion - question - 1);
                close = nextQuestion;
            } else {
                form = HasValue;
                sub = rest.substr(question + 1, equals - question - 1);
                close = rest.find(u'?', equals + 1);
                if (close == std::u16string_view::npos) {
                    return nullptr;
                }
                value = rest.substr(equals + 1, close - equals - 1);
            }
            segmentEnd = close + 1;
            if (segmentEnd >= rest.size()) {
                segmentEnd = std::u16string_view::npos;
            } else if (rest[segmentEnd] != u'/') {
                return nullptr;
            }
        }

        const XmlNode* match = nullptr;
        for (const auto& child : node->children) {
            if (*child->name != childName) {
                continue;
            }
            if (form != Plain) {
                const XmlNode* found = child->Find(sub);
                if (found == nullptr || (form == HasValue && found->Text() != value)) {
                    continue;
                }
            }
            match = child.get();
            break;
        }
        if (match == nullptr || segmentEnd == std::u16string_view::npos) {
            return match;
        }
        node = match;
        rest.remove_prefix(segmentEnd);
    }
}

std::u16string XmlNode::Text() const {
    return text.value_or(std::u16string());
}

XmlNode* XmlNode::AddChild(const std::u16string& childName) {
    children.push_back(std::make_unique<XmlNode>(document, document->PoolName(childName)));
    return children.back().get();
}

void XmlNode::AppendChild(std::unique_ptr<XmlNode> child) {
    children.push_back(std::move(child));
}

void XmlNode::SetText(const std::u16string& path, const std::u16string& value) {
    XmlNode* node = Find(path);
    if (node == nullptr) {
        node = AddChild(path);
    }
    node->text = value;
}

void XmlNode::SetNumber(const std::u16string& path, int value) {
    std::string digits = std::to_string(value);
    SetText(path, std::u16string(digits.begin(), digits.end()));
}

void XmlNode::SetAttribute(const std::u16string& attributeName, const std::u16string& value) {
    if (!attributeName.empty()) {
        attributes[attributeName] = value;
    }
}

void XmlNode::SetIconFile(const std::string& utf8FileName) {
    SetText(u"icono", Utf8ToWide(utf8FileName.c_str()));
}

void XmlNode::SetDefaultIcon() {
    SetIconFile("Tarvolin.ico");
}

// ---- XmlDocument ----

XmlDocument::~XmlDocument() {
    Clear();
}

const std::u16string* XmlDocument::PoolName(const std::u16string& name) {
    return &*namePool_.insert(name).first;
}

void XmlDocument::Clear() {
    root_.reset();  // before the pool: the elements point into it
    namePool_.clear();
}

void XmlDocument::CreateRoot() {
    Clear();
    root_ = std::make_unique<XmlNode>(this, PoolName(u"config"));
}

bool XmlDocument::Load(const std::string& fileName) {
    Clear();
    fileName_ = fileName;
    std::string content;
    if (!ReadWholeFile(fileName, content)) {
        return false;
    }
    const char* begin = content.c_str();
    const char* end = begin + std::strlen(begin);  // the content is one zero-terminated string

    if (end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0) {
        begin += 3;
    }
    if (end - begin >= 2 && begin[0] == '<' && begin[1] == '?') {
        const char* question = static_cast<const char*>(
            std::memchr(begin + 2, '?', static_cast<std::size_t>(end - begin - 2)));
        if (question == nullptr || question + 1 >= end || question[1] != '>') {
            return false;
        }
        begin = question + 2;
    }
    if (begin >= end) {
        return false;
    }
    const char* open =
        static_cast<const char*>(std::memchr(begin, '<', static_cast<std::size_t>(end - begin)));
    if (open == nullptr) {
        return false;
    }
    Reader reader(*this, open, end);
    root_ = reader.ReadElement(1);
    if (!root_) {
        Clear();
        return false;
    }
    return true;
}

std::string XmlDocument::Serialize() const {
    if (!root_) {
        return {};
    }
    std::string out(kDeclaration);
    WriteElement(*root_, out);
    return out;
}

bool XmlDocument::Save() {
    // Without a root there is nothing worth replacing a file with.
    if (!root_ || fileName_.empty()) {
        return false;
    }
    std::string bytes = Serialize();
    platform::FileWriteResult result = platform::ReplaceFileContents(fileName_, bytes);
    if (result == platform::FileWriteResult::FolderMissing) {
        if (!CreateFolders(Utf8ToWide(fileName_.c_str()))) {
            return false;
        }
        result = platform::ReplaceFileContents(fileName_, bytes);
    }
    return result == platform::FileWriteResult::Ok;
}

// ---- free functions ----

std::string EscapeXml(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
            case '\0':
                return out;
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool CreateFolders(const std::u16string& path) {
    std::string narrow = WideToUtf8(path);
    std::size_t lastSlash = narrow.rfind('/');
    if (lastSlash == std::string::npos) {
        return false;
    }
    // Only '/' separates folders here; a backslash is an ordinary character of a name.
    std::string folders = narrow.substr(0, lastSlash + 1);
    bool created = false;
    std::size_t from = 0;
    for (;;) {
        std::size_t slash = folders.find('/', from);
        if (slash == std::string::npos) {
            return created;
        }
        std::string accumulated = folders.substr(0, slash + 1);
        created = mkdir(accumulated.c_str(), 0777) == 0;
        from = slash + 1;
    }
}
