// The small dialog framework the windows are written against. The window logic (main window,
// parameter dialogs, About box) never includes Qt: it talks to a DialogHost, the running dialog,
// and to a Toolkit, which creates dialogs from their templates and runs them modally. One
// implementation drives Qt Widgets; a headless one serves the tests and records what happens.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "layout/layout_window.h"

// Results of a modal run and of message boxes.
enum class DialogResult : int {
    None = 0,
    Ok = 1,
    Cancel = 2,
};

enum class MessageButtons {
    Ok,        // the OK button alone
    OkCancel,  // OK and Cancel, for the question before a write
};

// An image for a window, an icon control or a button: a program resource (128 to 134) or an
// icon file that a Toolkit has already found loadable.
struct IconRef {
    int resource = 0;  // 0 when the icon comes from `file`
    std::string file;  // empty when the icon is a resource

    static IconRef Resource(int id) { return IconRef{id, {}}; }
    bool IsValid() const { return resource != 0 || !file.empty(); }
};

// Icon resources of the program.
namespace icon {
inline constexpr int kApplication = 128;
inline constexpr int kEditRs485 = 129;
inline constexpr int kEditElectrical = 130;
inline constexpr int kOk = 131;
inline constexpr int kCancel = 132;
inline constexpr int kNotConnected = 133;
inline constexpr int kConnected = 134;
}  // namespace icon

// One running dialog, its controls addressed by the control ids of its template.
// Operations on an id the dialog lacks do nothing and read as empty / -1 / false.
class DialogHost : public LayoutWindow {
public:
    // Texts. Writing the text of an edit field raises OnTextChanged, as a user's edit does.
    virtual void SetText(int id, const std::u16string& text) = 0;
    virtual std::u16string GetText(int id) const = 0;
    virtual void SetTitle(const std::u16string& title) = 0;
    virtual std::u16string GetTitle() const = 0;

    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Show(int id, bool visible) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void SetFocus(int id) = 0;

    // Drop-down lists. Items keep insertion order (lists are never sorted). A selection made
    // here raises no event; only the user's choice raises OnSelectionChanged.
    virtual void ClearItems(int id) = 0;
    // Returns the new item's index.
    virtual int AddItem(int id, const std::u16string& text, std::intptr_t data) = 0;
    virtual int ItemCount(int id) const = 0;
    virtual std::u16string ItemText(int id, int index) const = 0;
    // -1 for an index outside the list.
    virtual std::intptr_t ItemData(int id, int index) const = 0;
    // -1 selects nothing; an index outside the list selects nothing too.
    virtual void SetSelection(int id, int index) = 0;
    // The selected index, -1 when nothing is selected.
    virtual int Selection(int id) const = 0;
    // Decorates one list item: a tooltip (empty for none) and bold text. An index outside the
    // list does nothing.
    virtual void SetItemDecoration(int id, int index, const std::u16string& tooltip, bool bold) = 0;

    // Icons: the window's own, an icon control's image, an image beside a button's caption.
    virtual void SetWindowIcon(const IconRef& icon) = 0;
    virtual void SetControlIcon(int id, const IconRef& icon) = 0;
    virtual void SetButtonIcon(int id, const IconRef& icon) = 0;

    // Adds an entry of the window's own menu (the About entry); choosing it raises
    // OnSysCommand(command).
    virtual void AddSystemMenuEntry(const std::u16string& text, int command) = 0;

    // A modal message box over this dialog: caption the program's file name, warning icon.
    virtual DialogResult MessageBox(const std::u16string& text, MessageButtons buttons) = 0;

    // Ends the modal run with `result`.
    virtual void EndDialog(DialogResult result) = 0;

    // Timers: OnTimer(timerId) every periodMs until stopped.
    virtual void StartTimer(int timerId, int periodMs) = 0;
    virtual void StopTimer(int timerId) = 0;
    virtual bool IsTimerRunning(int timerId) const = 0;

    // Runs a device operation to its end before returning, with the wait cursor shown and the
    // user's input blocked; the window keeps repainting meanwhile. The operation may run on
    // another thread: it should do device work only (calls it makes on this dialog are carried
    // over to the window's thread). No handler event is raised before it has ended.
    virtual void RunBlocking(const std::function<void()>& operation) = 0;
};

// What a window's logic does with the events of its dialog. Defaults match a plain dialog.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // Once, when the dialog exists; fill the controls here.
    virtual void OnInitDialog(DialogHost& host) = 0;
    // A button other than OK (1) and Cancel (2) was clicked.
    virtual void OnCommand(DialogHost& host, int id) {
        (void)host;
        (void)id;
    }
    virtual void OnSelectionChanged(DialogHost& host, int id) {
        (void)host;
        (void)id;
    }
    virtual void OnTextChanged(DialogHost& host, int id) {
        (void)host;
        (void)id;
    }
    // After the dialog's size changed (also before the first OnInitDialog on some toolkits:
    // handlers must cope with controls that are not filled yet).
    virtual void OnSize(DialogHost& host) { (void)host; }
    virtual void OnTimer(DialogHost& host, int timerId) {
        (void)host;
        (void)timerId;
    }
    virtual void OnSysCommand(DialogHost& host, int command) {
        (void)host;
        (void)command;
    }
    // The OK command: button 1 or Enter. Cancel: button 2, Escape or the close box.
    virtual void OnOk(DialogHost& host) { host.EndDialog(DialogResult::Ok); }
    virtual void OnCancel(DialogHost& host) { host.EndDialog(DialogResult::Cancel); }
};

// Dialog templates of the program.
namespace dialog_template {
inline constexpr int kAbout = 100;
inline constexpr int kMain = 102;
inline constexpr int kRs485 = 103;
inline constexpr int kElectrical = 104;
}  // namespace dialog_template

// The dialog framework: creates dialogs from templates and runs them.
class Toolkit {
public:
    virtual ~Toolkit() = default;
    // Creates the dialog of `templateId`, calls handler.OnInitDialog, and runs it modally until
    // EndDialog; returns the result passed to EndDialog.
    virtual DialogResult RunModal(int templateId, DialogHandler& handler) = 0;
    // The icon in `path` (relative to the working folder, or absolute) when it can be loaded
    // as an image; an invalid IconRef otherwise (also for an empty path).
    virtual IconRef LoadIconFile(const std::string& path) = 0;
    // A message box without a parent window (start-up).
    virtual DialogResult MessageBox(const std::u16string& text, MessageButtons buttons) = 0;
    // The language of the string table in force ("en", "es", ...), so that the toolkit's own
    // texts (message box buttons) match it. Start-up calls it once the table is open.
    virtual void SetLanguage(const std::u16string& languageCode) { (void)languageCode; }
};
