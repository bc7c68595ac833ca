#include "ui/main_window_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/string_table.h"
#include "config/utf.h"
#include "layout/control_ids.h"

void MainWindowTest::SetUp() {
    const char* programDir = std::getenv("ZEL_PROGRAM_DIR");
    ASSERT_NE(programDir, nullptr) << "ZEL_PROGRAM_DIR is not set";
    ASSERT_TRUE(StringTable().Open(std::string(programDir) + "/ZELSoftware.en.stc"));
    // Texts compared below must exist, or empty would equal empty.
    ASSERT_FALSE(LoadText(3).empty());

    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    previousFolder = previous;
    std::string pattern = ::testing::TempDir() + "zel-main-window-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
    ASSERT_EQ(chdir(scratch.c_str()), 0);
}

void MainWindowTest::TearDown() {
    window.reset();
    if (!previousFolder.empty()) {
        EXPECT_EQ(chdir(previousFolder.c_str()), 0);
    }
    if (!scratch.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }
}

const HeadlessDialog& MainWindowTest::RunWindow(
    const std::function<void(HeadlessDialog&)>& script) {
    window = std::make_unique<CZELDlg>(toolkit);
    toolkit.OnNextModal(dialog_template::kMain, script);
    window->DoModal();
    const HeadlessDialog* dialog = toolkit.LastDialog(dialog_template::kMain);
    if (dialog == nullptr) {
        throw std::runtime_error("the main window did not run");
    }
    return *dialog;
}

std::string MainWindowTest::ReadScratchFile(const std::string& name) const {
    std::ifstream file(scratch + "/" + name, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void MainWindowTest::WriteScratchFile(const std::string& name, const std::string& contents) const {
    std::ofstream(scratch + "/" + name, std::ios::binary) << contents;
}

bool MainWindowTest::ScratchFileExists(const std::string& name) const {
    struct stat status {};
    return stat((scratch + "/" + name).c_str(), &status) == 0;
}

void MainWindowTest::RemoveScratchFile(const std::string& name) const {
    std::remove((scratch + "/" + name).c_str());
}

void MainWindowTest::ChooseNetworkLink(HeadlessDialog& dialog, ConnectionType type, int port,
                                       int station) {
    ASSERT_TRUE(dialog.UserSelect(ctl::kConnectionType, static_cast<int>(type)));
    ASSERT_TRUE(dialog.UserType(ctl::kAddress, u"127.0.0.1"));
    ASSERT_TRUE(dialog.UserType(ctl::kSocket, Wide(std::to_string(port))));
    ASSERT_TRUE(dialog.UserType(ctl::kStationNumber, Wide(std::to_string(station))));
}

std::string Narrow(const std::u16string& text) {
    return WideToUtf8(text);
}

std::u16string Wide(const std::string& ascii) {
    return Utf8ToWide(ascii.c_str());
}
