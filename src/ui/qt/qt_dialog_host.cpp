#include "ui/qt/qt_dialog_host.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <thread>
#include <type_traits>

#include "layout/control_ids.h"
#include "ui/qt/qt_icons.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_toolkit.h"

namespace {

// An icon static: paints its image as large as its rectangle allows, centred, so that the
// vector images stay sharp at every size the layout gives them.
class IconStatic : public QWidget {
public:
    explicit IconStatic(QWidget* parent) : QWidget(parent) {}
    void SetIcon(const QIcon& icon) {
        icon_ = icon;
        update();
    }
    const QIcon& Icon() const { return icon_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (icon_.isNull()) {
            return;
        }
        QPainter painter(this);
        const int side = std::min(width(), height());
        icon_.paint(&painter, QRect((width() - side) / 2, (height() - side) / 2, side, side));
    }

private:
    QIcon icon_;
};

constexpr int kItemDataRole = Qt::UserRole;

// Qt hides "[*]" in window titles (its modified-document mark); doubling it shows it as typed.
QString LiteralWindowTitle(const std::u16string& title) {
    return ToQString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QString WithoutMnemonics(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

}  // namespace

QtDialogHost::QtDialogHost(QtToolkit& toolkit, const DialogTemplate& dialogTemplate,
                           DialogHandler& handler, QWidget* parent)
    : QDialog(parent),
      toolkit_(toolkit),
      template_(dialogTemplate),
      handler_(handler),
      layout_(this, [this](int id) { return Control(id); }),
      title_(dialogTemplate.caption) {
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.fontPoints);
    setFont(font);
    // Dialog units follow the font: a quarter of the average character width across, an
    // eighth of the line height down.
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = std::max(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    baseY_ = std::max(1, metrics.height());

    setWindowTitle(LiteralWindowTitle(title_));
    setWindowIcon(IconFromRef(IconRef::Resource(icon::kApplication)));
    const QSize size(dialogTemplate.width * baseX_ / 4, dialogTemplate.height * baseY_ / 8);
    if (dialogTemplate.resizable) {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        resize(size);
    } else {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
        setFixedSize(size);
    }
    CreateControls();
    UpdateAccessibleNames();
}

QtDialogHost::~QtDialogHost() = default;

void QtDialogHost::CreateControls() {
    // Widgets are created in template order, which makes the template order the tab order and
    // keeps later controls above the group boxes that frame them.
    for (const ControlTemplate& c : template_.controls) {
        QWidget* widget = nullptr;
        const QString text = ToQString(std::u16string(c.text));
        switch (c.kind) {
            case ControlKind::GroupBox:
                widget = new QGroupBox(text, this);
                break;
            case ControlKind::LabelLeft:
            case ControlKind::LabelCentre:
            case ControlKind::LabelRight: {
                auto* label = new QLabel(this);
                // Texts come from files and devices: never read them as markup.
                label->setTextFormat(Qt::PlainText);
                label->setText(text);
                const Qt::Alignment across = c.kind == ControlKind::LabelLeft     ? Qt::AlignLeft
                                             : c.kind == ControlKind::LabelCentre ? Qt::AlignHCenter
                                                                                  : Qt::AlignRight;
                label->setAlignment(across | Qt::AlignVCenter);
                widget = label;
                break;
            }
            case ControlKind::Icon: {
                auto* iconStatic = new IconStatic(this);
                if (c.iconResource != 0) {
                    iconStatic->SetIcon(IconFromRef(IconRef::Resource(c.iconResource)));
                }
                widget = iconStatic;
                break;
            }
            case ControlKind::DropDownList:
                widget = new QComboBox(this);
                break;
            case ControlKind::Edit:
            case ControlKind::DigitsEdit:
            case ControlKind::DecimalEdit: {
                auto* edit = new QLineEdit(text, this);
                if (c.kind != ControlKind::Edit) {
                    edit->setValidator(new QRegularExpressionValidator(
                        QRegularExpression(QString::fromUtf8(EditPattern(c.kind))), edit));
                }
                widget = edit;
                break;
            }
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton: {
                auto* button = new QPushButton(text, this);
                // Enter is routed by the dialog itself (see keyPressEvent).
                button->setAutoDefault(false);
                button->setDefault(c.kind == ControlKind::DefaultPushButton);
                widget = button;
                break;
            }
        }
        if (c.width > 0 && c.height > 0) {
            widget->setGeometry(c.x * baseX_ / 4, c.y * baseY_ / 8, c.width * baseX_ / 4,
                                c.height * baseY_ / 8);
        }
        widget->setObjectName(QStringLiteral("control%1").arg(c.id));
        ControlEntry entry{&c, widget};
        controls_[c.id] = entry;
        ConnectUserEvents(entry);
    }
}

void QtDialogHost::ConnectUserEvents(const ControlEntry& entry) {
    const int id = entry.tmpl->id;
    if (auto* combo = qobject_cast<QComboBox*>(entry.widget)) {
        // `activated` comes from the user only; the program's own selections stay silent.
        connect(combo, &QComboBox::activated, this, [this, id](int) {
            if (EventsOpen()) {
                handler_.OnSelectionChanged(*this, id);
            }
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(entry.widget)) {
        // The program's writes block this signal and raise the event themselves (SetText).
        connect(edit, &QLineEdit::textChanged, this, [this, id](const QString&) {
            if (EventsOpen()) {
                handler_.OnTextChanged(*this, id);
            }
        });
    } else if (auto* button = qobject_cast<QPushButton*>(entry.widget)) {
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (!EventsOpen()) {
                return;
            }
            if (id == ctl::kOk) {
                handler_.OnOk(*this);
            } else if (id == ctl::kCancel) {
                handler_.OnCancel(*this);
            } else {
                handler_.OnCommand(*this, id);
            }
        });
    }
}

void QtDialogHost::UpdateAccessibleNames() {
    std::vector<QString> heads;
    for (int headId : ctl::kColumnHeads) {
        if (const ControlEntry* head = Find(headId)) {
            heads.push_back(WithoutMnemonics(static_cast<QLabel*>(head->widget)->text()));
        }
    }
    QLabel* rowLabel = nullptr;
    std::vector<QWidget*> rowFields;
    auto nameRow = [&] {
        if (rowLabel == nullptr || rowFields.empty()) {
            return;
        }
        rowLabel->setBuddy(rowFields.front());
        const QString caption = WithoutMnemonics(rowLabel->text());
        const bool columns = rowFields.size() > 1 && rowFields.size() <= heads.size();
        for (size_t column = 0; column < rowFields.size(); ++column) {
            rowFields[column]->setAccessibleName(
                columns ? caption + QLatin1Char(' ') + heads[column] : caption);
        }
    };
    for (const ControlTemplate& c : template_.controls) {
        QWidget* widget = controls_[c.id].widget;
        const bool field = IsEditField(c.kind) || c.kind == ControlKind::DropDownList;
        if (field) {
            rowFields.push_back(widget);
            continue;
        }
        nameRow();
        rowFields.clear();
        rowLabel = c.kind == ControlKind::LabelLeft ? static_cast<QLabel*>(widget) : nullptr;
    }
    nameRow();
}

const QtDialogHost::ControlEntry* QtDialogHost::Find(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

QWidget* QtDialogHost::Control(int id) const {
    const ControlEntry* entry = Find(id);
    return entry == nullptr ? nullptr : entry->widget;
}

bool QtDialogHost::EventsOpen() const {
    return initialised_ && !ended_ && !blocking_;
}

template <typename Work>
auto QtDialogHost::OnGuiThread(Work&& work) const -> decltype(work()) {
    using Result = decltype(work());
    if (QThread::currentThread() == thread()) {
        return work();
    }
    auto* self = const_cast<QtDialogHost*>(this);
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(
            self, [&] { work(); }, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            self, [&] { result = work(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

DialogResult QtDialogHost::Run() {
    handler_.OnInitDialog(*this);
    initialised_ = true;
    if (!ended_) {
        exec();
    }
    // A run that Qt ended without the logic (the application quitting) counts as cancelled.
    return ended_ ? result_ : DialogResult::Cancel;
}

// ---- LayoutWindow.

bool QtDialogHost::HasControl(int id) const {
    return Find(id) != nullptr;
}

void QtDialogHost::MoveControl(int id, int x, int y, int width, int height, bool repaint) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (entry == nullptr) {
            return;
        }
        if (entry->tmpl->kind == ControlKind::DropDownList) {
            // A closed list keeps the height of one line; the rest would be its opened list.
            height = std::min(height, entry->widget->sizeHint().height());
        }
        if (auto* button = qobject_cast<QPushButton*>(entry->widget)) {
            const int side = std::clamp(height - 8, 16, 32);
            button->setIconSize(QSize(side, side));
        }
        layout_.MoveControl(id, x, y, width, height, repaint);
    });
}

LayoutRect QtDialogHost::ClientRect() const {
    return OnGuiThread([&] { return layout_.ClientRect(); });
}

LayoutRect QtDialogHost::ControlRect(int id) const {
    return OnGuiThread([&] { return layout_.ControlRect(id); });
}

void QtDialogHost::SetDropDownReach(int id, int pixelsBelow) {
    OnGuiThread([&] { layout_.SetDropDownReach(id, pixelsBelow); });
}

void QtDialogHost::InvalidateAll() {
    OnGuiThread([&] { layout_.InvalidateAll(); });
}

int QtDialogHost::EdgeHeight() const {
    return OnGuiThread([&] { return layout_.EdgeHeight(); });
}

// ---- DialogHost.

void QtDialogHost::SetText(int id, const std::u16string& text) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (entry == nullptr) {
            return;
        }
        const QString value = ToQString(text);
        if (auto* edit = qobject_cast<QLineEdit*>(entry->widget)) {
            {
                const QSignalBlocker quiet(edit);
                edit->setText(value);
            }
            // Written by the program, yet reported like a user's edit, changed or not.
            if (!ended_) {
                handler_.OnTextChanged(*this, id);
            }
        } else if (auto* label = qobject_cast<QLabel*>(entry->widget)) {
            label->setText(value);
            if (label->buddy() != nullptr ||
                std::find(ctl::kColumnHeads.begin(), ctl::kColumnHeads.end(), id) !=
                    ctl::kColumnHeads.end()) {
                UpdateAccessibleNames();
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(entry->widget)) {
            group->setTitle(value);
        } else if (auto* button = qobject_cast<QPushButton*>(entry->widget)) {
            button->setText(value);
        }
    });
}

std::u16string QtDialogHost::GetText(int id) const {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (entry == nullptr) {
            return std::u16string();
        }
        QString text;
        if (auto* edit = qobject_cast<QLineEdit*>(entry->widget)) {
            text = edit->text();
        } else if (auto* label = qobject_cast<QLabel*>(entry->widget)) {
            text = label->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(entry->widget)) {
            text = group->title();
        } else if (auto* button = qobject_cast<QPushButton*>(entry->widget)) {
            text = button->text();
        } else if (auto* combo = qobject_cast<QComboBox*>(entry->widget)) {
            text = combo->currentIndex() < 0 ? QString() : combo->currentText();
        }
        return ToU16String(text);
    });
}

void QtDialogHost::SetTitle(const std::u16string& title) {
    OnGuiThread([&] {
        title_ = title;
        setWindowTitle(LiteralWindowTitle(title));
    });
}

std::u16string QtDialogHost::GetTitle() const {
    return OnGuiThread([&] { return title_; });
}

void QtDialogHost::Enable(int id, bool enabled) {
    OnGuiThread([&] {
        if (const ControlEntry* entry = Find(id)) {
            entry->widget->setEnabled(enabled);
        }
    });
}

bool QtDialogHost::IsEnabled(int id) const {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        return entry != nullptr && entry->widget->isEnabled();
    });
}

void QtDialogHost::Show(int id, bool visible) {
    OnGuiThread([&] {
        if (const ControlEntry* entry = Find(id)) {
            entry->widget->setVisible(visible);
        }
    });
}

bool QtDialogHost::IsVisible(int id) const {
    // The control's own state, also before the dialog is on screen.
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        return entry != nullptr && !entry->widget->isHidden();
    });
}

void QtDialogHost::SetFocus(int id) {
    OnGuiThread([&] {
        if (const ControlEntry* entry = Find(id)) {
            entry->widget->setFocus(Qt::OtherFocusReason);
        }
    });
}

namespace {
QComboBox* ComboOf(const QWidget* widget) {
    return qobject_cast<QComboBox*>(const_cast<QWidget*>(widget));
}
}  // namespace

void QtDialogHost::ClearItems(int id) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget)) {
            const QSignalBlocker quiet(combo);
            combo->clear();
        }
    });
}

int QtDialogHost::AddItem(int id, const std::u16string& text, std::intptr_t itemData) {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        if (combo == nullptr) {
            return -1;
        }
        const QSignalBlocker quiet(combo);
        combo->addItem(ToQString(text), QVariant::fromValue<qlonglong>(itemData));
        // Adding to an empty list selects nothing, as with the logic's other toolkits.
        if (combo->count() == 1) {
            combo->setCurrentIndex(-1);
        }
        return combo->count() - 1;
    });
}

int QtDialogHost::ItemCount(int id) const {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        const QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        return combo == nullptr ? 0 : combo->count();
    });
}

std::u16string QtDialogHost::ItemText(int id, int index) const {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        const QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        if (combo == nullptr || index < 0 || index >= combo->count()) {
            return std::u16string();
        }
        return ToU16String(combo->itemText(index));
    });
}

std::intptr_t QtDialogHost::ItemData(int id, int index) const {
    return OnGuiThread([&]() -> std::intptr_t {
        const ControlEntry* entry = Find(id);
        const QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        if (combo == nullptr || index < 0 || index >= combo->count()) {
            return -1;
        }
        return static_cast<std::intptr_t>(combo->itemData(index, kItemDataRole).toLongLong());
    });
}

void QtDialogHost::SetSelection(int id, int index) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget)) {
            const QSignalBlocker quiet(combo);
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        }
    });
}

int QtDialogHost::Selection(int id) const {
    return OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        const QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        return combo == nullptr ? -1 : combo->currentIndex();
    });
}

void QtDialogHost::SetItemDecoration(int id, int index, const std::u16string& tooltip, bool bold) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        QComboBox* combo = entry == nullptr ? nullptr : ComboOf(entry->widget);
        if (combo == nullptr || index < 0 || index >= combo->count()) {
            return;
        }
        combo->setItemData(index, tooltip.empty() ? QVariant() : QVariant(ToQString(tooltip)),
                           Qt::ToolTipRole);
        QFont font = combo->font();
        font.setBold(bold);
        combo->setItemData(index, bold ? QVariant(font) : QVariant(), Qt::FontRole);
    });
}

void QtDialogHost::SetWindowIcon(const IconRef& icon) {
    OnGuiThread([&] { setWindowIcon(IconFromRef(icon)); });
}

void QtDialogHost::SetControlIcon(int id, const IconRef& icon) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (entry != nullptr && entry->tmpl->kind == ControlKind::Icon) {
            static_cast<IconStatic*>(entry->widget)->SetIcon(IconFromRef(icon));
        }
    });
}

void QtDialogHost::SetButtonIcon(int id, const IconRef& icon) {
    OnGuiThread([&] {
        const ControlEntry* entry = Find(id);
        if (auto* button = entry == nullptr ? nullptr : qobject_cast<QPushButton*>(entry->widget)) {
            button->setIcon(IconFromRef(icon));
        }
    });
}

void QtDialogHost::AddSystemMenuEntry(const std::u16string& text, int command) {
    OnGuiThread([&] {
        // The window manager's own menu is out of reach; the entry lives in the window's context
        // menu instead, and F1 chooses it from the keyboard.
        setContextMenuPolicy(Qt::ActionsContextMenu);
        const bool first = actions().isEmpty();
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        addAction(separator);
        auto* action = new QAction(ToQString(text), this);
        action->setObjectName(QStringLiteral("systemMenu%1").arg(command));
        if (first) {
            action->setShortcut(QKeySequence(Qt::Key_F1));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        connect(action, &QAction::triggered, this, [this, command] {
            if (EventsOpen()) {
                handler_.OnSysCommand(*this, command);
            }
        });
        addAction(action);
    });
}

DialogResult QtDialogHost::MessageBox(const std::u16string& text, MessageButtons buttons) {
    return OnGuiThread([&] { return toolkit_.ShowMessage(this, text, buttons); });
}

void QtDialogHost::EndDialog(DialogResult result) {
    OnGuiThread([&] {
        if (ended_) {
            return;
        }
        ended_ = true;
        result_ = result;
        for (auto& [timerId, timer] : timers_) {
            timer->stop();
        }
        QDialog::done(static_cast<int>(result));
    });
}

void QtDialogHost::StartTimer(int timerId, int periodMs) {
    OnGuiThread([&] {
        QTimer*& timer = timers_[timerId];
        if (timer == nullptr) {
            timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timerId] {
                // Ticks that fall into a blocking operation are dropped, not queued up.
                if (EventsOpen()) {
                    handler_.OnTimer(*this, timerId);
                }
            });
        }
        timer->start(std::max(0, periodMs));
    });
}

void QtDialogHost::StopTimer(int timerId) {
    OnGuiThread([&] {
        if (const auto found = timers_.find(timerId); found != timers_.end()) {
            found->second->stop();
        }
    });
}

bool QtDialogHost::IsTimerRunning(int timerId) const {
    return OnGuiThread([&] {
        const auto found = timers_.find(timerId);
        return found != timers_.end() && found->second->isActive();
    });
}

void QtDialogHost::RunBlocking(const std::function<void()>& operation) {
    if (QThread::currentThread() != thread() || blocking_) {
        operation();  // already inside a blocking operation
        return;
    }
    blocking_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The window keeps painting while the operation runs elsewhere; user input waits.
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            operation();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    blocking_ = false;
    if (sizePending_) {
        sizePending_ = false;
        if (EventsOpen()) {
            handler_.OnSize(*this);
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// ---- QDialog.

void QtDialogHost::done(int result) {
    if (result == QDialog::Accepted) {
        accept();
    } else {
        reject();
    }
}

void QtDialogHost::accept() {
    if (EventsOpen()) {
        handler_.OnOk(*this);
    }
}

void QtDialogHost::reject() {
    if (EventsOpen()) {
        handler_.OnCancel(*this);
    }
}

void QtDialogHost::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!EventsOpen()) {
        return;
    }
    if (key == Qt::Key_Escape) {
        handler_.OnCancel(*this);
    } else if (auto* button = qobject_cast<QPushButton*>(focusWidget());
               button != nullptr && button->isEnabled()) {
        button->click();
    } else {
        handler_.OnOk(*this);
    }
}

void QtDialogHost::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    if (EventsOpen()) {
        handler_.OnCancel(*this);
    }
}

void QtDialogHost::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (blocking_) {
        // The logic's state may be mid-change on the worker; lay out once it has finished.
        sizePending_ = true;
    } else if (EventsOpen()) {
        handler_.OnSize(*this);
    }
}
