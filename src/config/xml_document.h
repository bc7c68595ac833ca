// The settings document: a small XML reader, tree and writer.
//
// Supported: one optional leading XML declaration (its content is not examined), elements,
// attributes in double or single quotes, character data, and the five predefined entities in
// text. Deliberately not supported: comments, CDATA, document type declarations, other
// processing instructions, namespaces and character references; input holding them fails to
// load. Attribute values are neither decoded nor escaped. Nesting deeper than kMaxXmlDepth
// levels fails to load rather than exhausting the stack.
//
// The writer emits exactly: the declaration, then the tree without any white space; each
// element's attributes in name order; its children; then its text (so text that stood between
// children moves behind them); never the self-closing form.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

class XmlDocument;

// Levels of elements the reader accepts, the root counting as one.
inline constexpr int kMaxXmlDepth = 256;

// The file a document loads when no other name is given; opened relative to the working
// folder, which start-up makes the program's own folder.
inline constexpr const char* kDefaultXmlFileName = "default.xcfg";

// One element. Owned by its parent or by its document.
struct XmlNode {
    XmlNode(XmlDocument* owner, const std::u16string* pooledName)
        : document(owner), name(pooledName) {}
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    // The element `path` leads to, or nullptr. Segments are separated by '/', runs of '/'
    // count as one, an empty path gives this element. A segment is `name`, `name?sub?` (the
    // first child called name under which `sub` is found) or `name?sub=value?` (... whose
    // `sub` element has exactly that text). Only the first qualifying child is followed.
    XmlNode* Find(const std::u16string& path);
    const XmlNode* Find(const std::u16string& path) const;

    // The text; empty when the element has none.
    std::u16string Text() const;

    // Appends a new element without text, children or attributes as the last child.
    XmlNode* AddChild(const std::u16string& childName);
    // Appends an existing element as the last child and takes ownership of it.
    void AppendChild(std::unique_ptr<XmlNode> child);

    // Sets the text of Find(path); when nothing is found, of a new last child named `path`
    // (the whole path text becomes one name, so pass single names).
    void SetText(const std::u16string& path, const std::u16string& value);
    // As SetText, with the number in decimal ("-" for negative values).
    void SetNumber(const std::u16string& path, int value);
    // Empty names are ignored; an existing attribute gets the new value.
    void SetAttribute(const std::u16string& attributeName, const std::u16string& value);
    // Sets the text of the child "icono" to the UTF-8 file name.
    void SetIconFile(const std::string& utf8FileName);
    void SetDefaultIcon();

    XmlDocument* document;
    const std::u16string* name;          // pooled in the document
    std::optional<std::u16string> text;  // absent until read from a closing tag or set
    std::list<std::unique_ptr<XmlNode>> children;
    std::map<std::u16string, std::u16string> attributes;
};

class XmlDocument {
public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;
    virtual ~XmlDocument();

    // Clears the document, remembers `fileName` for Save and parses that file. True when a
    // root element was read; false leaves the document empty (no root, empty name pool).
    // Anything after the root's closing tag is ignored; a zero byte ends the input.
    bool Load(const std::string& fileName = kDefaultXmlFileName);

    // Writes the declaration and the tree to the remembered file name. The bytes go to a
    // temporary file in the same folder, which is flushed to disk and then renamed over the
    // old file, so the old file stays whole if anything fails. When the folder is missing,
    // CreateFolders is tried once. False when there is no root, no file name, or the file
    // could not be written completely; the tree is unchanged either way.
    bool Save();

    // Releases the tree and empties the name pool.
    void Clear();
    // Clears the document and makes a new empty root named "config".
    void CreateRoot();
    XmlNode* Root() { return root_.get(); }
    const XmlNode* Root() const { return root_.get(); }

    // The name Save writes to: empty after construction, set by every Load.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // The pooled copy of `name`, added when new. Stays valid until Clear.
    const std::u16string* PoolName(const std::u16string& name);

    // The exact bytes Save writes, declaration included; empty without a root.
    std::string Serialize() const;

private:
    std::set<std::u16string> namePool_;
    std::unique_ptr<XmlNode> root_;
    std::string fileName_;
};

// `utf8` up to its first zero byte with & < > " ' replaced by their entities.
std::string EscapeXml(const std::string& utf8);

// Creates each folder of `path` (everything before its last '/'), outermost first. True when
// the innermost creation succeeded; a folder that already exists counts as not created, and a
// path without folders gives false.
bool CreateFolders(const std::u16string& path);
