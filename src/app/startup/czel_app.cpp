#include "app/startup/czel_app.h"

#include <csignal>
#include <utility>

#include "app/language.h"
#include "app/string_table.h"
#include "platform/program_dir.h"
#include "platform/registry.h"

namespace {

// The language whose table LoadLanguageTable opened: once it has succeeded, the remembered
// "Language" value names it in both of its ways (remembered before, or just stored).
std::u16string LanguageInForce() {
    const platform::RegistryFile registry;
    platform::RegistryValue value;
    std::u16string code;
    if (registry.QueryValue(kLanguageKey, kLanguageValue, value, 128) ==
            platform::RegistryStatus::Ok &&
        (value.type == platform::kRegSz || value.type == platform::kRegExpandSz)) {
        for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
            const auto unit = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
            if (unit == 0) {
                break;
            }
            code.push_back(unit);
        }
    }
    return code.empty() ? DefaultLanguageCode() : code;
}

}  // namespace

CZELApp::CZELApp(Toolkit& toolkit, const LayoutDevice& layoutDevice, MainWindowRunner runMainWindow,
                 std::string guardDir)
    : toolkit_(toolkit),
      layoutDevice_(layoutDevice),
      runMainWindow_(std::move(runMainWindow)),
      guardDir_(std::move(guardDir)) {}

CZELApp::Outcome CZELApp::InitInstance() {
    // Every window converts its sizes through these metrics, so they come before any window.
    InitLayoutMetrics(layoutDevice_, 8.0f, 0.0f, 0.3f, 2.0f, 4.0f, 10.0f);

    // A device that drops a TCP link must not end the program while a request is written.
    std::signal(SIGPIPE, SIG_IGN);

    // Files are opened by bare names beside the program, wherever it was started from. When
    // the folder cannot be entered the names resolve where the program was started.
    platform::EnterProgramDir();

    const auto showMessage = [this](const std::u16string& text) {
        toolkit_.MessageBox(text, MessageButtons::Ok);
    };
    if (!LoadLanguageTable(showMessage)) {
        toolkit_.MessageBox(kLanguageLoadFailedText, MessageButtons::Ok);
        return Outcome::Refused;
    }
    toolkit_.SetLanguage(LanguageInForce());

    if (guard_.Acquire(kInstanceGuardName, guardDir_) ==
        platform::InstanceLockStatus::HeldElsewhere) {
        toolkit_.MessageBox(LoadText(1), MessageButtons::Ok);
        return Outcome::Refused;
    }

    runMainWindow_(toolkit_);
    return Outcome::Ran;
}
