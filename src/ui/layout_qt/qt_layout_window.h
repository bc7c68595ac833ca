// The layout engine's view of a Qt dialog: child widgets found by control id, moved with
// setGeometry in the dialog's coordinates.
#pragma once

#include <functional>

#include "layout/layout_window.h"

class QWidget;
class QComboBox;

class QtLayoutWindow : public LayoutWindow {
public:
    // Returns the dialog's child widget for a control id, or null when it has none.
    using ControlLookup = std::function<QWidget*(int id)>;

    // `dialog` must be non-null and outlive this object; its widgets are placed relative to it.
    QtLayoutWindow(QWidget* dialog, ControlLookup lookup);

    bool HasControl(int id) const override;
    // Negative sizes (a window smaller than its fixed content) become 0. Qt repaints lazily,
    // so `repaint` changes nothing here.
    void MoveControl(int id, int x, int y, int width, int height, bool repaint) override;
    // The dialog's rectangle as (0, 0, width, height).
    LayoutRect ClientRect() const override;
    // The widget's geometry, right and bottom exclusive; all zero for an unknown id.
    LayoutRect ControlRect(int id) const override;
    // For a QComboBox: see SetComboDropDownReach. Other widgets and unknown ids: nothing.
    void SetDropDownReach(int id, int pixelsBelow) override;
    void InvalidateAll() override;
    // The style's default frame width, or 2 when the style gives none.
    int EdgeHeight() const override;

private:
    QWidget* dialog_;
    ControlLookup lookup_;
};

// Makes the opened list of `combo` span from the control's bottom edge to `pixelsBelow` pixels
// below it (above the control instead when the screen has no room below), whatever the style
// and the number of items. Calling it again replaces the reach; it never accumulates.
void SetComboDropDownReach(QComboBox* combo, int pixelsBelow);
