// Start-up of the desktop tool: everything the program does from its start to its end. It
// prepares the process, picks the language, refuses to run beside another copy, and runs the
// main window modally; when that window closes the program ends.
#pragma once

#include <functional>
#include <string>

#include "layout/layout_metrics.h"
#include "platform/instance_lock.h"
#include "ui/logic/dialog_host.h"

// Name of the guard that marks a running copy.
inline constexpr const char* kInstanceGuardName = "ZEL 1.1 Semaphore";

// Shown when no string table can be opened, so it cannot come from one.
inline constexpr const char16_t* kLanguageLoadFailedText =
    u"Unable to load specific language libraries. Program will exit.";

class CZELApp {
public:
    // Builds and runs the main window until it closes.
    using MainWindowRunner = std::function<void(Toolkit&)>;

    enum class Outcome {
        Ran,      // the main window ran and closed
        Refused,  // start-up stopped before any window: no string table, or another copy runs
    };

    // `guardDir` is the folder of the guard's lock file; empty for the user's default.
    CZELApp(Toolkit& toolkit, const LayoutDevice& layoutDevice, MainWindowRunner runMainWindow,
            std::string guardDir = {});

    // In order: layout metrics (8 pt, spacing 0/0.3, 2, 4, 10 mm), the program's folder as the
    // working folder, the language and its string table (the fixed English message when that
    // fails), the single-instance guard (text 1 when another copy holds it; without a lock
    // file the program runs unguarded), then the main window. The guard stays held until this
    // object is destroyed, which is at the end of the process.
    Outcome InitInstance();

    // Exit status of the process: 0 after the main window ran, 1 when start-up refused.
    static int ExitStatus(Outcome outcome) { return outcome == Outcome::Ran ? 0 : 1; }

private:
    Toolkit& toolkit_;
    const LayoutDevice& layoutDevice_;
    MainWindowRunner runMainWindow_;
    std::string guardDir_;
    platform::InstanceLock guard_;
};
