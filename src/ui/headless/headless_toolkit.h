// A dialog toolkit without a window system. It builds each dialog from its template, records
// everything the window logic does to it, and lets a test act as the user: choose list items,
// type, click, press Enter or Escape, resize, fire timers. The event rules are those of the
// real toolkit: a selection made by the program raises nothing, a text written by the program
// into an edit field raises OnTextChanged, a disabled or hidden control takes no user action.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/logic/dialog_host.h"
#include "ui/logic/dialog_templates.h"

class HeadlessDialog;

// One message box as it was shown.
struct ShownMessage {
    std::u16string text;
    MessageButtons buttons;
    int templateId;  // the dialog it was shown over; 0 for a box without a parent
    DialogResult answer;
};

class HeadlessToolkit : public Toolkit {
public:
    using Script = std::function<void(HeadlessDialog&)>;

    // Queues `script` for the next modal run of `templateId`: it runs after OnInitDialog, as
    // the user. Scripts of one template run in the order queued; a nested run takes the script
    // of its own template. A run whose script ends without EndDialog, or that has no script,
    // ends with Cancel (the handler's OnCancel is not called).
    void OnNextModal(int templateId, Script script);

    // Queues the answer of the next message box that offers a choice (OK and Cancel). Boxes
    // with the OK button alone always answer OK and consume nothing. Unqueued boxes answer OK.
    void QueueMessageAnswer(DialogResult answer);

    // Every message box shown so far, in order.
    const std::vector<ShownMessage>& Messages() const { return messages_; }

    // Templates of the modal runs started so far, in order of their start.
    const std::vector<int>& ModalRuns() const { return modalRuns_; }

    // The dialog of the latest finished run of `templateId`, kept for inspection after its
    // run; nullptr when that template never ran to its end.
    const HeadlessDialog* LastDialog(int templateId) const;

    // The client size, in pixels, that new dialogs of `templateId` get (default: the template's
    // size converted with base units of 6 by 13 pixels).
    void SetInitialClientSize(int templateId, int width, int height);

    // Toolkit.
    // Runs the dialog of `templateId`; a template that does not exist gives None at once.
    DialogResult RunModal(int templateId, DialogHandler& handler) override;
    // Succeeds for an existing file that starts like an ICO, PNG or SVG image.
    IconRef LoadIconFile(const std::string& path) override;
    DialogResult MessageBox(const std::u16string& text, MessageButtons buttons) override;
    void SetLanguage(const std::u16string& languageCode) override { language_ = languageCode; }
    // The language last passed to SetLanguage; empty when none.
    const std::u16string& Language() const { return language_; }

    // Used by HeadlessDialog.
    DialogResult ShowMessage(const std::u16string& text, MessageButtons buttons, int templateId);

private:
    std::map<int, std::deque<Script>> scripts_;
    std::deque<DialogResult> answers_;
    std::vector<ShownMessage> messages_;
    std::vector<int> modalRuns_;
    std::map<int, std::unique_ptr<HeadlessDialog>> finished_;
    std::map<int, std::pair<int, int>> initialSizes_;
    std::u16string language_;
};

class HeadlessDialog : public DialogHost {
public:
    // Base units that turn dialog units into pixels here (x * 6 / 4, y * 13 / 8).
    static constexpr int kBaseUnitX = 6;
    static constexpr int kBaseUnitY = 13;

    HeadlessDialog(HeadlessToolkit& toolkit, const DialogTemplate& dialogTemplate,
                   DialogHandler& handler, int clientWidth, int clientHeight);

    // ---- The user. Each returns false, doing nothing, when a user could not do it: the
    // control is missing, of another kind, disabled or hidden, or the run has ended.
    // Chooses item `index` of a drop-down list and raises OnSelectionChanged.
    bool UserSelect(int id, int index);
    // Replaces an edit field's text and raises OnTextChanged. A digits-only field refuses text
    // with anything but the digits 0 to 9, as its real counterpart does.
    bool UserType(int id, const std::u16string& text);
    // Clicks a button: 1 raises OnOk, 2 OnCancel, any other OnCommand.
    bool Click(int id);
    // Enter: clicks the focused button, otherwise raises OnOk.
    bool PressEnter();
    // Escape and the close box raise OnCancel.
    bool PressEscape();
    bool CloseBox();
    // Gives the dialog a new client size and raises OnSize.
    bool Resize(int width, int height);
    // Raises OnTimer when `timerId` runs.
    bool FireTimer(int timerId);
    // Chooses an entry added with AddSystemMenuEntry and raises OnSysCommand.
    bool ChooseSystemMenu(int command);

    // ---- What the program did.
    int TemplateId() const { return template_.id; }
    bool HasEnded() const { return ended_; }
    DialogResult Result() const { return result_; }
    bool IsEditFieldControl(int id) const;
    std::vector<std::u16string> Items(int id) const;
    std::vector<std::intptr_t> ItemDataList(int id) const;
    std::u16string ItemTooltip(int id, int index) const;
    bool ItemBold(int id, int index) const;
    int Focus() const { return focus_; }
    IconRef WindowIcon() const { return windowIcon_; }
    IconRef ControlIcon(int id) const;
    IconRef ButtonIcon(int id) const;
    // Pixels below the control that its opened list reaches; -1 when never set.
    int DropDownReach(int id) const;
    // How often MoveControl placed the control.
    int MoveCount(int id) const;
    int InvalidateCount() const { return invalidateCount_; }
    // Period of a running timer; -1 when it does not run.
    int TimerPeriod(int timerId) const;
    int BlockingRunCount() const { return blockingRuns_; }
    bool WaitCursorShown() const { return waitCursorShown_; }
    // True while RunBlocking runs its operation.
    bool InBlockingRun() const { return inBlockingRun_; }
    struct MenuEntry {
        std::u16string text;
        int command;
    };
    const std::vector<MenuEntry>& SystemMenu() const { return systemMenu_; }

    // ---- LayoutWindow.
    bool HasControl(int id) const override;
    void MoveControl(int id, int x, int y, int width, int height, bool repaint) override;
    LayoutRect ClientRect() const override;
    LayoutRect ControlRect(int id) const override;
    void SetDropDownReach(int id, int pixelsBelow) override;
    void InvalidateAll() override;
    int EdgeHeight() const override { return 2; }

    // ---- DialogHost.
    void SetText(int id, const std::u16string& text) override;
    std::u16string GetText(int id) const override;
    void SetTitle(const std::u16string& title) override;
    std::u16string GetTitle() const override { return title_; }
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void Show(int id, bool visible) override;
    bool IsVisible(int id) const override;
    void SetFocus(int id) override;
    void ClearItems(int id) override;
    int AddItem(int id, const std::u16string& text, std::intptr_t data) override;
    int ItemCount(int id) const override;
    std::u16string ItemText(int id, int index) const override;
    std::intptr_t ItemData(int id, int index) const override;
    void SetSelection(int id, int index) override;
    int Selection(int id) const override;
    void SetItemDecoration(int id, int index, const std::u16string& tooltip, bool bold) override;
    void SetWindowIcon(const IconRef& icon) override;
    void SetControlIcon(int id, const IconRef& icon) override;
    void SetButtonIcon(int id, const IconRef& icon) override;
    void AddSystemMenuEntry(const std::u16string& text, int command) override;
    DialogResult MessageBox(const std::u16string& text, MessageButtons buttons) override;
    void EndDialog(DialogResult result) override;
    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    bool IsTimerRunning(int timerId) const override;
    void RunBlocking(const std::function<void()>& operation) override;

    // Used by HeadlessToolkit: gives the focus to the first control a user can operate when
    // the logic chose none during OnInitDialog, and ends a run that the script left open.
    void SetInitialFocus();
    void Finish(DialogResult result);

private:
    struct Item {
        std::u16string text;
        std::intptr_t data;
        std::u16string tooltip;
        bool bold = false;
    };
    struct Control {
        const ControlTemplate* tmpl = nullptr;
        std::u16string text;
        bool enabled = true;
        bool visible = true;
        std::vector<Item> items;
        int selection = -1;
        LayoutRect rect;
        int moves = 0;
        int dropDownReach = -1;
        IconRef icon;
        IconRef buttonIcon;
    };

    Control* Find(int id);
    const Control* Find(int id) const;
    // The control when a user could reach it now.
    Control* Reachable(int id);

    HeadlessToolkit& toolkit_;
    const DialogTemplate& template_;
    DialogHandler& handler_;
    std::vector<Control> controls_;  // template order
    std::u16string title_;
    IconRef windowIcon_;
    std::vector<MenuEntry> systemMenu_;
    std::map<int, int> timers_;  // id -> period
    int clientWidth_;
    int clientHeight_;
    int focus_ = 0;
    int invalidateCount_ = 0;
    int blockingRuns_ = 0;
    bool waitCursorShown_ = false;
    bool inBlockingRun_ = false;
    bool ended_ = false;
    DialogResult result_ = DialogResult::None;
};
