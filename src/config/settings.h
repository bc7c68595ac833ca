// The settings file: connection settings, product name, refresh period and window icon,
// kept as children of the root of the settings document.
#pragma once

#include <cstdint>
#include <string>

#include "config/xml_document.h"

// The connection settings the main window holds and stores.
struct ConnectionSettings {
    int comType = 0;      // a ConnectionType code
    int port = -1;        // COM port number; -1 none chosen
    int portConfig = -1;  // port configuration code 0..5; -1 none chosen
    int stNum = 0;        // station number; 0 none entered
    std::u16string ipAddress;
    int ipSocket = 502;  // 0 none entered
};

// Longest address (UTF-16 units) that Store settings keeps; longer text is cut.
inline constexpr std::size_t kMaxAddressLength = 127;

inline constexpr const char16_t* kDefaultProductName = u"ZEL Software";
inline constexpr const char* kDefaultIconFile = "Tarvolin.ico";
inline constexpr int kDefaultRefreshSeconds = 10;

// What the main window takes from the settings at construction.
struct LoadedSettings {
    ConnectionSettings connection;
    std::u16string productName;
    // "timeRefresh" seconds times 1000 in wrapping 32-bit arithmetic: a hand-edited file may
    // give 0 or a negative value; a timer takes it as unsigned.
    std::int32_t refreshPeriodMs = 0;
    // Icon file of this run; empty means the built-in icon (also when the file named "icono"
    // was only just given its default).
    std::u16string iconFile;
};

// Load settings: loads `fileName` into `document` (which the caller keeps for Store
// settings), reads the values with their defaults, fills in "productName", "icono" and
// "timeRefresh" where missing, and saves the document at once (the save's result is not
// examined). A file that exists but does not load is first renamed to `fileName` + ".bad"
// (replacing an older one) and then replaced by a fresh file holding the defaults.
LoadedSettings LoadSettings(XmlDocument& document,
                            const std::string& fileName = kDefaultXmlFileName);

// Store settings: copies the values the window read from its controls into `settings` and
// into the document's root, in the order comType, stNum, portConfig, port, ipAddress,
// ipSocket (stNum and ipSocket of 0 or less are stored as empty text, the address is cut to
// kMaxAddressLength), then saves. Returns the save's result. Does nothing but return false
// when the document has no root.
bool StoreSettings(XmlDocument& document, const ConnectionSettings& fromControls,
                   ConnectionSettings& settings);

// Product name and icon file name, as the parameter dialogs read them: no defaults applied,
// nothing written. Both empty when the file does not load.
struct WindowIdentity {
    std::u16string productName;
    std::u16string iconFile;
};
WindowIdentity ReadWindowIdentity(const std::string& fileName = kDefaultXmlFileName);
