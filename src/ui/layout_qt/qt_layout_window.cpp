#include "ui/layout_qt/qt_layout_window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace {

constexpr char kReachProperty[] = "zelDropDownReach";

// Qt sizes a combo box's popup by its style (some cover the control, some fill the screen), so
// the reach is imposed when the popup shows, after the combo box has placed it.
class DropDownReachFilter : public QObject {
public:
    explicit DropDownReachFilter(QComboBox* combo) : QObject(combo), combo_(combo) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            Place(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    void Place(QWidget* popup) const {
        const int reach = combo_->property(kReachProperty).toInt();
        if (reach <= 0) {
            return;
        }
        const QPoint topLeft = combo_->mapToGlobal(QPoint(0, 0));
        QRect list(QPoint(topLeft.x(), topLeft.y() + combo_->height()),
                   QSize(std::max(popup->width(), combo_->width()), reach));
        if (const QScreen* screen = combo_->screen()) {
            const QRect avail = screen->availableGeometry();
            if (list.bottom() > avail.bottom() &&
                topLeft.y() - avail.top() > avail.bottom() - list.top()) {
                list.moveBottom(topLeft.y() - 1);
            }
        }
        popup->setGeometry(list);
        combo_->view()->scrollTo(combo_->view()->currentIndex());
    }

    QComboBox* combo_;
};

}  // namespace

void SetComboDropDownReach(QComboBox* combo, int pixelsBelow) {
    if (combo == nullptr) {
        return;
    }
    const bool installed = combo->property(kReachProperty).isValid();
    combo->setProperty(kReachProperty, pixelsBelow);
    if (!installed) {
        // The popup container is the view's parent; it exists once view() has been asked for.
        QWidget* container = combo->view()->parentWidget();
        if (container != nullptr) {
            container->installEventFilter(new DropDownReachFilter(combo));
        }
    }
}

QtLayoutWindow::QtLayoutWindow(QWidget* dialog, ControlLookup lookup)
    : dialog_(dialog), lookup_(std::move(lookup)) {}

bool QtLayoutWindow::HasControl(int id) const {
    return lookup_ && lookup_(id) != nullptr;
}

void QtLayoutWindow::MoveControl(int id, int x, int y, int width, int height, bool) {
    if (!lookup_) {
        return;
    }
    if (QWidget* w = lookup_(id)) {
        w->setGeometry(x, y, std::max(0, width), std::max(0, height));
    }
}

LayoutRect QtLayoutWindow::ClientRect() const {
    return {0, 0, dialog_->width(), dialog_->height()};
}

LayoutRect QtLayoutWindow::ControlRect(int id) const {
    QWidget* w = lookup_ ? lookup_(id) : nullptr;
    if (w == nullptr) {
        return {};
    }
    const QRect g = w->geometry();
    return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void QtLayoutWindow::SetDropDownReach(int id, int pixelsBelow) {
    if (!lookup_) {
        return;
    }
    SetComboDropDownReach(qobject_cast<QComboBox*>(lookup_(id)), pixelsBelow);
}

void QtLayoutWindow::InvalidateAll() {
    dialog_->update();
}

int QtLayoutWindow::EdgeHeight() const {
    const int frame = dialog_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, dialog_);
    return frame > 0 ? frame : 2;
}
