// What every main window test needs: a scratch working folder (the window reads and writes
// default.xcfg there by its bare name), the program's English string table, a headless toolkit,
// and a way to run the window with a script acting as the user.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ui/headless/headless_toolkit.h"
#include "ui/logic/zel_dlg.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Constructs the window (which loads the settings), runs it with `script` as the user and
    // returns the window's dialog as it was when the run ended.
    const HeadlessDialog& RunWindow(const std::function<void(HeadlessDialog&)>& script);

    // Contents of a file in the scratch folder; empty when it does not exist.
    std::string ReadScratchFile(const std::string& name) const;
    void WriteScratchFile(const std::string& name, const std::string& contents) const;
    bool ScratchFileExists(const std::string& name) const;
    void RemoveScratchFile(const std::string& name) const;

    // Selects a network link to 127.0.0.1:`port` for station `station`.
    static void ChooseNetworkLink(HeadlessDialog& dialog, ConnectionType type, int port,
                                  int station);

    std::string scratch;
    HeadlessToolkit toolkit;
    std::unique_ptr<CZELDlg> window;

private:
    std::string previousFolder;
};

// `text` as UTF-8, for failure messages and file contents.
std::string Narrow(const std::u16string& text);
std::u16string Wide(const std::string& ascii);
