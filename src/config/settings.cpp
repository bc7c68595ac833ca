#include "config/settings.h"

#include <sys/stat.h>

#include <cstdio>

#include "config/utf.h"
#include "config/wide_integer.h"

namespace {

std::u16string ChildText(const XmlNode& root, const char16_t* name) {
    const XmlNode* node = root.Find(name);
    return node != nullptr ? node->Text() : std::u16string();
}

int ChildInteger(const XmlNode& root, const char16_t* name) {
    return ParseWideInteger(ChildText(root, name));
}

// The period in milliseconds wraps like the 32-bit arithmetic the file has always been read
// with, but without the undefined behaviour of a signed overflow.
std::int32_t SecondsToMs(std::int32_t seconds) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
}

// An address cut to its longest stored form, never between the halves of a surrogate pair.
std::u16string CutAddress(const std::u16string& address) {
    if (address.size() <= kMaxAddressLength) {
        return address;
    }
    std::size_t length = kMaxAddressLength;
    char16_t last = address[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF) {
        --length;
    }
    return address.substr(0, length);
}

// A settings file that exists but does not load is kept aside before it is replaced, so a
// hand edit with one mistake is not lost.
void KeepUnreadableFile(const std::string& fileName) {
    struct stat info {};
    if (stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        std::rename(fileName.c_str(), (fileName + ".bad").c_str());
    }
}

}  // namespace

LoadedSettings LoadSettings(XmlDocument& document, const std::string& fileName) {
    LoadedSettings loaded;
    if (document.Load(fileName)) {
        XmlNode& root = *document.Root();
        ConnectionSettings& connection = loaded.connection;
        connection.comType = ChildInteger(root, u"comType");
        connection.port = ChildInteger(root, u"port");
        connection.portConfig = ChildInteger(root, u"portConfig");
        connection.stNum = ChildInteger(root, u"stNum");
        connection.ipAddress = ChildText(root, u"ipAddress");
        connection.ipSocket = ChildInteger(root, u"ipSocket");
        loaded.productName = ChildText(root, u"productName");
        if (loaded.productName.empty()) {
            loaded.productName = kDefaultProductName;
            root.SetText(u"productName", loaded.productName);
        }
        loaded.iconFile = ChildText(root, u"icono");
        if (loaded.iconFile.empty()) {
            root.SetDefaultIcon();
        }
        const XmlNode* refresh = root.Find(u"timeRefresh");
        std::int32_t seconds =
            refresh != nullptr ? ParseWideInteger(refresh->Text()) : kDefaultRefreshSeconds;
        loaded.refreshPeriodMs = SecondsToMs(seconds);
        root.SetNumber(u"timeRefresh", loaded.refreshPeriodMs / 1000);
    } else {
        KeepUnreadableFile(fileName);
        loaded.productName = kDefaultProductName;
        loaded.refreshPeriodMs = SecondsToMs(kDefaultRefreshSeconds);
        document.CreateRoot();
        XmlNode& root = *document.Root();
        root.SetText(u"productName", loaded.productName);
        root.SetDefaultIcon();
        root.SetNumber(u"timeRefresh", kDefaultRefreshSeconds);
    }
    document.Save();
    return loaded;
}

bool StoreSettings(XmlDocument& document, const ConnectionSettings& fromControls,
                   ConnectionSettings& settings) {
    XmlNode* root = document.Root();
    if (root == nullptr) {
        return false;
    }
    settings.comType = fromControls.comType;
    root->SetNumber(u"comType", settings.comType);

    settings.stNum = fromControls.stNum;
    if (settings.stNum > 0) {
        root->SetNumber(u"stNum", settings.stNum);
    } else {
        root->SetText(u"stNum", u"");
    }

    settings.portConfig = fromControls.portConfig;
    root->SetNumber(u"portConfig", settings.portConfig);

    settings.port = fromControls.port;
    root->SetNumber(u"port", settings.port);

    settings.ipAddress = CutAddress(fromControls.ipAddress);
    root->SetText(u"ipAddress", settings.ipAddress);

    settings.ipSocket = fromControls.ipSocket;
    if (settings.ipSocket > 0) {
        root->SetNumber(u"ipSocket", settings.ipSocket);
    } else {
        root->SetText(u"ipSocket", u"");
    }
    return document.Save();
}

WindowIdentity ReadWindowIdentity(const std::string& fileName) {
    WindowIdentity identity;
    XmlDocument document;
    if (document.Load(fileName) && document.Root() != nullptr) {
        identity.productName = ChildText(*document.Root(), u"productName");
        identity.iconFile = ChildText(*document.Root(), u"icono");
    }
    return identity;
}
