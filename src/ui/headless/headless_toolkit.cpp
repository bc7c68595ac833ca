#include "ui/headless/headless_toolkit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <tuple>
#include <utility>

// ---------------------------------------------------------------- HeadlessToolkit

void HeadlessToolkit::OnNextModal(int templateId, Script script) {
    scripts_[templateId].push_back(std::move(script));
}

void HeadlessToolkit::QueueMessageAnswer(DialogResult answer) {
    answers_.push_back(answer);
}

const HeadlessDialog* HeadlessToolkit::LastDialog(int templateId) const {
    const auto found = finished_.find(templateId);
    return found == finished_.end() ? nullptr : found->second.get();
}

void HeadlessToolkit::SetInitialClientSize(int templateId, int width, int height) {
    initialSizes_[templateId] = {width, height};
}

DialogResult HeadlessToolkit::RunModal(int templateId, DialogHandler& handler) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (dialogTemplate == nullptr) {
        return DialogResult::None;
    }
    modalRuns_.push_back(templateId);

    int width = dialogTemplate->width * HeadlessDialog::kBaseUnitX / 4;
    int height = dialogTemplate->height * HeadlessDialog::kBaseUnitY / 8;
    if (const auto size = initialSizes_.find(templateId); size != initialSizes_.end()) {
        std::tie(width, height) = size->second;
    }

    // The script is taken before OnInitDialog so that runs nested inside it find their own.
    Script script;
    if (auto queue = scripts_.find(templateId); queue != scripts_.end() && !queue->second.empty()) {
        script = std::move(queue->second.front());
        queue->second.pop_front();
    }

    auto dialog = std::make_unique<HeadlessDialog>(*this, *dialogTemplate, handler, width, height);
    handler.OnInitDialog(*dialog);
    if (!dialog->HasEnded()) {
        dialog->SetInitialFocus();
        if (script) {
            script(*dialog);
        }
    }
    dialog->Finish(DialogResult::Cancel);
    const DialogResult result = dialog->Result();
    finished_[templateId] = std::move(dialog);
    return result;
}

IconRef HeadlessToolkit::LoadIconFile(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::ifstream file(path, std::ios::binary);
    std::array<char, 256> head{};
    file.read(head.data(), head.size());
    const std::string start(head.data(), static_cast<size_t>(file.gcount()));

    static constexpr char kIco[] = {0, 0, 1, 0};
    static constexpr char kPng[] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    const bool ico = start.size() >= 6 && std::memcmp(start.data(), kIco, sizeof kIco) == 0 &&
                     (start[4] != 0 || start[5] != 0);  // at least one image in the directory
    const bool png =
        start.size() >= sizeof kPng && std::memcmp(start.data(), kPng, sizeof kPng) == 0;
    const size_t firstMark = start.find_first_not_of(" \t\r\n");
    const bool svg =
        firstMark != std::string::npos && start[firstMark] == '<' &&
        (start.find("<svg") != std::string::npos || start.compare(firstMark, 5, "<?xml") == 0);
    if (!ico && !png && !svg) {
        return {};
    }
    return IconRef{0, path};
}

DialogResult HeadlessToolkit::MessageBox(const std::u16string& text, MessageButtons buttons) {
    return ShowMessage(text, buttons, 0);
}

DialogResult HeadlessToolkit::ShowMessage(const std::u16string& text, MessageButtons buttons,
                                          int templateId) {
    DialogResult answer = DialogResult::Ok;
    if (buttons == MessageButtons::OkCancel && !answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, buttons, templateId, answer});
    return answer;
}

// ---------------------------------------------------------------- HeadlessDialog

HeadlessDialog::HeadlessDialog(HeadlessToolkit& toolkit, const DialogTemplate& dialogTemplate,
                               DialogHandler& handler, int clientWidth, int clientHeight)
    : toolkit_(toolkit),
      template_(dialogTemplate),
      handler_(handler),
      title_(dialogTemplate.caption),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight) {
    controls_.reserve(dialogTemplate.controls.size());
    for (const ControlTemplate& c : dialogTemplate.controls) {
        Control control;
        control.tmpl = &c;
        control.text = std::u16string(c.text);
        control.rect = {c.x * kBaseUnitX / 4, c.y * kBaseUnitY / 8,
                        (c.x + c.width) * kBaseUnitX / 4, (c.y + c.height) * kBaseUnitY / 8};
        if (c.iconResource != 0) {
            control.icon = IconRef::Resource(c.iconResource);
        }
        controls_.push_back(std::move(control));
    }
}

HeadlessDialog::Control* HeadlessDialog::Find(int id) {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [&](const Control& c) { return c.tmpl->id == id; });
    return found == controls_.end() ? nullptr : &*found;
}

const HeadlessDialog::Control* HeadlessDialog::Find(int id) const {
    return const_cast<HeadlessDialog*>(this)->Find(id);
}

HeadlessDialog::Control* HeadlessDialog::Reachable(int id) {
    Control* control = Find(id);
    if (ended_ || inBlockingRun_ || control == nullptr || !control->enabled || !control->visible) {
        return nullptr;
    }
    return control;
}

// ---- The user.

bool HeadlessDialog::UserSelect(int id, int index) {
    Control* control = Reachable(id);
    if (control == nullptr || control->tmpl->kind != ControlKind::DropDownList || index < 0 ||
        index >= static_cast<int>(control->items.size())) {
        return false;
    }
    control->selection = index;
    focus_ = id;
    handler_.OnSelectionChanged(*this, id);
    return true;
}

bool HeadlessDialog::UserType(int id, const std::u16string& text) {
    Control* control = Reachable(id);
    if (control == nullptr || !IsEditField(control->tmpl->kind)) {
        return false;
    }
    if (!EditAccepts(control->tmpl->kind, text)) {
        return false;
    }
    control->text = text;
    focus_ = id;
    handler_.OnTextChanged(*this, id);
    return true;
}

bool HeadlessDialog::Click(int id) {
    Control* control = Reachable(id);
    if (control == nullptr || !IsButton(control->tmpl->kind)) {
        return false;
    }
    focus_ = id;
    if (id == 1) {
        handler_.OnOk(*this);
    } else if (id == 2) {
        handler_.OnCancel(*this);
    } else {
        handler_.OnCommand(*this, id);
    }
    return true;
}

bool HeadlessDialog::PressEnter() {
    if (ended_ || inBlockingRun_) {
        return false;
    }
    if (const Control* focused = Find(focus_);
        focused != nullptr && IsButton(focused->tmpl->kind)) {
        return Click(focus_);
    }
    handler_.OnOk(*this);
    return true;
}

bool HeadlessDialog::PressEscape() {
    if (ended_ || inBlockingRun_) {
        return false;
    }
    handler_.OnCancel(*this);
    return true;
}

bool HeadlessDialog::CloseBox() {
    return PressEscape();
}

bool HeadlessDialog::Resize(int width, int height) {
    if (ended_ || inBlockingRun_ || width < 0 || height < 0) {
        return false;
    }
    clientWidth_ = width;
    clientHeight_ = height;
    handler_.OnSize(*this);
    return true;
}

bool HeadlessDialog::FireTimer(int timerId) {
    if (ended_ || timers_.count(timerId) == 0) {
        return false;
    }
    handler_.OnTimer(*this, timerId);
    return true;
}

bool HeadlessDialog::ChooseSystemMenu(int command) {
    const bool listed = std::any_of(systemMenu_.begin(), systemMenu_.end(),
                                    [&](const MenuEntry& e) { return e.command == command; });
    if (ended_ || inBlockingRun_ || !listed) {
        return false;
    }
    handler_.OnSysCommand(*this, command);
    return true;
}

// ---- What the program did.

bool HeadlessDialog::IsEditFieldControl(int id) const {
    const Control* control = Find(id);
    return control != nullptr && IsEditField(control->tmpl->kind);
}

std::vector<std::u16string> HeadlessDialog::Items(int id) const {
    std::vector<std::u16string> texts;
    if (const Control* control = Find(id)) {
        for (const Item& item : control->items) {
            texts.push_back(item.text);
        }
    }
    return texts;
}

std::vector<std::intptr_t> HeadlessDialog::ItemDataList(int id) const {
    std::vector<std::intptr_t> data;
    if (const Control* control = Find(id)) {
        for (const Item& item : control->items) {
            data.push_back(item.data);
        }
    }
    return data;
}

std::u16string HeadlessDialog::ItemTooltip(int id, int index) const {
    const Control* control = Find(id);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        return {};
    }
    return control->items[index].tooltip;
}

bool HeadlessDialog::ItemBold(int id, int index) const {
    const Control* control = Find(id);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        return false;
    }
    return control->items[index].bold;
}

IconRef HeadlessDialog::ControlIcon(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? IconRef{} : control->icon;
}

IconRef HeadlessDialog::ButtonIcon(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? IconRef{} : control->buttonIcon;
}

int HeadlessDialog::DropDownReach(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? -1 : control->dropDownReach;
}

int HeadlessDialog::MoveCount(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? 0 : control->moves;
}

int HeadlessDialog::TimerPeriod(int timerId) const {
    const auto found = timers_.find(timerId);
    return found == timers_.end() ? -1 : found->second;
}

// ---- LayoutWindow.

bool HeadlessDialog::HasControl(int id) const {
    return Find(id) != nullptr;
}

void HeadlessDialog::MoveControl(int id, int x, int y, int width, int height, bool repaint) {
    (void)repaint;
    if (Control* control = Find(id)) {
        control->rect = {x, y, x + width, y + height};
        ++control->moves;
    }
}

LayoutRect HeadlessDialog::ClientRect() const {
    return {0, 0, clientWidth_, clientHeight_};
}

LayoutRect HeadlessDialog::ControlRect(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? LayoutRect{} : control->rect;
}

void HeadlessDialog::SetDropDownReach(int id, int pixelsBelow) {
    Control* control = Find(id);
    if (control != nullptr && control->tmpl->kind == ControlKind::DropDownList) {
        control->dropDownReach = pixelsBelow;
    }
}

void HeadlessDialog::InvalidateAll() {
    ++invalidateCount_;
}

// ---- DialogHost.

void HeadlessDialog::SetText(int id, const std::u16string& text) {
    Control* control = Find(id);
    if (control == nullptr || control->tmpl->kind == ControlKind::DropDownList) {
        return;
    }
    control->text = text;
    if (IsEditField(control->tmpl->kind)) {
        handler_.OnTextChanged(*this, id);
    }
}

std::u16string HeadlessDialog::GetText(int id) const {
    const Control* control = Find(id);
    if (control == nullptr) {
        return {};
    }
    if (control->tmpl->kind == ControlKind::DropDownList) {
        return control->selection < 0 ? std::u16string() : control->items[control->selection].text;
    }
    return control->text;
}

void HeadlessDialog::SetTitle(const std::u16string& title) {
    title_ = title;
}

void HeadlessDialog::Enable(int id, bool enabled) {
    if (Control* control = Find(id)) {
        control->enabled = enabled;
    }
}

bool HeadlessDialog::IsEnabled(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->enabled;
}

void HeadlessDialog::Show(int id, bool visible) {
    if (Control* control = Find(id)) {
        control->visible = visible;
    }
}

bool HeadlessDialog::IsVisible(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->visible;
}

void HeadlessDialog::SetFocus(int id) {
    if (HasControl(id)) {
        focus_ = id;
    }
}

void HeadlessDialog::ClearItems(int id) {
    Control* control = Find(id);
    if (control != nullptr && control->tmpl->kind == ControlKind::DropDownList) {
        control->items.clear();
        control->selection = -1;
    }
}

int HeadlessDialog::AddItem(int id, const std::u16string& text, std::intptr_t data) {
    Control* control = Find(id);
    if (control == nullptr || control->tmpl->kind != ControlKind::DropDownList) {
        return -1;
    }
    control->items.push_back(Item{text, data, {}, false});
    return static_cast<int>(control->items.size()) - 1;
}

int HeadlessDialog::ItemCount(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? 0 : static_cast<int>(control->items.size());
}

std::u16string HeadlessDialog::ItemText(int id, int index) const {
    const Control* control = Find(id);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        return {};
    }
    return control->items[index].text;
}

std::intptr_t HeadlessDialog::ItemData(int id, int index) const {
    const Control* control = Find(id);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        return -1;
    }
    return control->items[index].data;
}

void HeadlessDialog::SetSelection(int id, int index) {
    Control* control = Find(id);
    if (control == nullptr) {
        return;
    }
    const bool inside = index >= 0 && index < static_cast<int>(control->items.size());
    control->selection = inside ? index : -1;
}

int HeadlessDialog::Selection(int id) const {
    const Control* control = Find(id);
    return control == nullptr ? -1 : control->selection;
}

void HeadlessDialog::SetItemDecoration(int id, int index, const std::u16string& tooltip,
                                       bool bold) {
    Control* control = Find(id);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        return;
    }
    control->items[index].tooltip = tooltip;
    control->items[index].bold = bold;
}

void HeadlessDialog::SetWindowIcon(const IconRef& icon) {
    windowIcon_ = icon;
}

void HeadlessDialog::SetControlIcon(int id, const IconRef& icon) {
    Control* control = Find(id);
    if (control != nullptr && control->tmpl->kind == ControlKind::Icon) {
        control->icon = icon;
    }
}

void HeadlessDialog::SetButtonIcon(int id, const IconRef& icon) {
    Control* control = Find(id);
    if (control != nullptr && IsButton(control->tmpl->kind)) {
        control->buttonIcon = icon;
    }
}

void HeadlessDialog::AddSystemMenuEntry(const std::u16string& text, int command) {
    systemMenu_.push_back({text, command});
}

DialogResult HeadlessDialog::MessageBox(const std::u16string& text, MessageButtons buttons) {
    return toolkit_.ShowMessage(text, buttons, template_.id);
}

void HeadlessDialog::EndDialog(DialogResult result) {
    if (!ended_) {
        Finish(result);
    }
}

void HeadlessDialog::StartTimer(int timerId, int periodMs) {
    if (!ended_) {
        timers_[timerId] = periodMs;
    }
}

void HeadlessDialog::StopTimer(int timerId) {
    timers_.erase(timerId);
}

bool HeadlessDialog::IsTimerRunning(int timerId) const {
    return timers_.count(timerId) != 0;
}

void HeadlessDialog::RunBlocking(const std::function<void()>& operation) {
    ++blockingRuns_;
    waitCursorShown_ = true;
    const bool outer = !inBlockingRun_;
    inBlockingRun_ = true;
    operation();
    if (outer) {
        inBlockingRun_ = false;
    }
}

void HeadlessDialog::SetInitialFocus() {
    if (Find(focus_) != nullptr) {
        return;
    }
    for (const Control& control : controls_) {
        if (IsInteractive(control.tmpl->kind) && control.enabled && control.visible) {
            focus_ = control.tmpl->id;
            return;
        }
    }
}

void HeadlessDialog::Finish(DialogResult result) {
    if (ended_) {
        return;
    }
    ended_ = true;
    result_ = result;
    timers_.clear();  // timers die with the window
}
