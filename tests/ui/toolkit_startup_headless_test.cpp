// Start-up over the headless toolkit: what happens before any window, and when it stops.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/startup/czel_app.h"
#include "layout/layout_metrics.h"
#include "ui/headless/headless_toolkit.h"

namespace {

class FixedDevice : public LayoutDevice {
public:
    int LogicalDpiX() const override { return 96; }
    int LogicalDpiY() const override { return 96; }
    int SampleTextHeight(const std::u16string&, int) const override { return 13; }
};

// The test program's folder holds no string table, so the language cannot be loaded.
TEST(StartupHeadless, WithoutStringTableOnlyTheFixedMessageAndNoWindow) {
    char pattern[] = "/tmp/zel_startup_config_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    setenv("XDG_CONFIG_HOME", pattern, 1);
    setenv("XDG_RUNTIME_DIR", pattern, 1);
    ASSERT_FALSE(std::filesystem::exists("ZELSoftware.en.stc"));

    HeadlessToolkit toolkit;
    FixedDevice device;
    bool mainWindowRan = false;
    CZELApp app(
        toolkit, device, [&](Toolkit&) { mainWindowRan = true; }, pattern);
    const CZELApp::Outcome outcome = app.InitInstance();

    EXPECT_EQ(outcome, CZELApp::Outcome::Refused);
    EXPECT_EQ(CZELApp::ExitStatus(outcome), 1);
    EXPECT_FALSE(mainWindowRan);
    ASSERT_EQ(toolkit.Messages().size(), 1u);
    EXPECT_EQ(toolkit.Messages()[0].text,
              u"Unable to load specific language libraries. Program will exit.");
    EXPECT_EQ(toolkit.Messages()[0].buttons, MessageButtons::Ok);
    // The layout metrics are fixed before anything else, from the device's measures.
    EXPECT_EQ(CurrentLayoutMetrics().textHeight, 14);
    // The working folder became the program's own, and no guard was taken.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::filesystem::path(cwd),
              std::filesystem::path(std::getenv("ZEL_PROGRAM_DIR")).parent_path() / "tests");
    EXPECT_FALSE(std::filesystem::exists(std::string(pattern) + "/ZEL 1.1 Semaphore.lock"));
    std::filesystem::remove_all(pattern);
}

}  // namespace
