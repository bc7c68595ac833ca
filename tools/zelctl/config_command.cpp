#include "config_command.h"

#include <cstdio>
#include <iostream>

#include "config/utf.h"
#include "config/xml_document.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 64;

int Usage(const std::string& problem) {
    std::cerr << "zelctl config: " << problem
              << " (usage: zelctl config show | get NAME | set NAME VALUE [--dir DIR])\n";
    return kExitUsage;
}

// A name `set` may create: one element name that the writer puts out unchanged, so that
// the file reads back to the same tree.
bool IsPlainElementName(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    for (unsigned char c : name) {
        if (c <= ' ' || c == '/' || c == '?' || c == '<' || c == '>' || c == '&' || c == '"' ||
            c == '\'' || c == '=') {
            return false;
        }
    }
    return true;
}

}  // namespace

int RunConfigCommand(const std::vector<std::string>& args, const std::string& defaultDir) {
    std::string dir = defaultDir;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return Usage("--dir needs a folder");
            }
            dir = args[++i];
        } else {
            words.push_back(args[i]);
        }
    }
    if (words.empty()) {
        return Usage("missing action");
    }
    const std::string& action = words[0];
    std::size_t expected = action == "show" ? 1 : action == "get" ? 2 : action == "set" ? 3 : 0;
    if (expected == 0) {
        return Usage("unknown action '" + action + "'");
    }
    if (words.size() != expected) {
        return Usage("wrong number of arguments for '" + action + "'");
    }
    if (action == "set" && !IsPlainElementName(words[1])) {
        return Usage("'" + words[1] + "' is not a plain element name");
    }

    std::string fileName = dir.empty() ? std::string(kDefaultXmlFileName)
                                       : dir + (dir.back() == '/' ? "" : "/") + kDefaultXmlFileName;
    XmlDocument document;
    if (!document.Load(fileName)) {
        std::cerr << "zelctl config: " << fileName << " does not load\n";
        return kExitFailure;
    }
    XmlNode& root = *document.Root();

    if (action == "show") {
        for (const auto& child : root.children) {
            std::cout << WideToUtf8(*child->name) << '=' << WideToUtf8(child->Text()) << '\n';
        }
        return 0;
    }
    if (action == "get") {
        const XmlNode* node = root.Find(Utf8ToWide(words[1].c_str()));
        if (node == nullptr) {
            std::cerr << "zelctl config: no element '" << words[1] << "' in " << fileName << '\n';
            return kExitFailure;
        }
        std::cout << WideToUtf8(node->Text()) << '\n';
        return 0;
    }
    root.SetText(Utf8ToWide(words[1].c_str()), Utf8ToWide(words[2].c_str()));
    if (!document.Save()) {
        std::cerr << "zelctl config: cannot write " << fileName << '\n';
        return kExitFailure;
    }
    return 0;
}
