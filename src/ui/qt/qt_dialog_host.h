// A dialog of the Qt toolkit: a QDialog whose child widgets are built from a dialog template
// and addressed by control id. User actions reach the window logic as the template's events;
// the dialog never closes on its own, it routes Enter, Escape and the close box to the logic
// and ends only through EndDialog.
#pragma once

#include <QDialog>
#include <QIcon>
#include <map>
#include <memory>

#include "ui/layout_qt/qt_layout_window.h"
#include "ui/logic/dialog_host.h"
#include "ui/logic/dialog_templates.h"

class QTimer;
class QtToolkit;

class QtDialogHost : public QDialog, public DialogHost {
public:
    // Builds the widgets of `dialogTemplate` at the size the template gives, converted with the
    // base units of the dialog font (the template's point size in the desktop's font).
    QtDialogHost(QtToolkit& toolkit, const DialogTemplate& dialogTemplate, DialogHandler& handler,
                 QWidget* parent);
    ~QtDialogHost() override;

    // Calls OnInitDialog, then runs the dialog modally unless the logic ended it already.
    DialogResult Run();

    int TemplateId() const { return template_.id; }
    // The widget of control `id`; nullptr when the template has none.
    QWidget* Control(int id) const;
    // Base units of the dialog font in pixels (average character width, line height).
    int BaseUnitX() const { return baseX_; }
    int BaseUnitY() const { return baseY_; }

    // ---- LayoutWindow.
    bool HasControl(int id) const override;
    void MoveControl(int id, int x, int y, int width, int height, bool repaint) override;
    LayoutRect ClientRect() const override;
    LayoutRect ControlRect(int id) const override;
    void SetDropDownReach(int id, int pixelsBelow) override;
    void InvalidateAll() override;
    int EdgeHeight() const override;

    // ---- DialogHost.
    void SetText(int id, const std::u16string& text) override;
    std::u16string GetText(int id) const override;
    void SetTitle(const std::u16string& title) override;
    std::u16string GetTitle() const override;
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

    // ---- QDialog: every way Qt would close the dialog goes to the logic instead.
    void done(int result) override;
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct ControlEntry {
        const ControlTemplate* tmpl;
        QWidget* widget;
    };

    void CreateControls();
    void ConnectUserEvents(const ControlEntry& entry);
    // Names fields for screen readers: the label right before a field becomes its buddy; the
    // further fields of a row take the row label and their column heading.
    void UpdateAccessibleNames();
    const ControlEntry* Find(int id) const;
    // True when the logic may receive an event now: initialised, running, not blocked.
    bool EventsOpen() const;
    // Runs `work` on the dialog's thread, waiting for it when called from another thread.
    template <typename Work>
    auto OnGuiThread(Work&& work) const -> decltype(work());

    QtToolkit& toolkit_;
    const DialogTemplate& template_;
    DialogHandler& handler_;
    std::map<int, ControlEntry> controls_;
    QtLayoutWindow layout_;  // the layout engine's view of the widgets above
    std::map<int, QTimer*> timers_;
    std::u16string title_;
    int baseX_ = 1;
    int baseY_ = 1;
    bool initialised_ = false;
    bool ended_ = false;
    bool blocking_ = false;
    bool sizePending_ = false;
    DialogResult result_ = DialogResult::None;
};
