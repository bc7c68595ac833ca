// What the layout engine needs of a dialog: its child controls by id, moving them, and a few
// measures of the window system. The Qt windows and the headless test windows both provide it.
#pragma once

struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class LayoutWindow {
public:
    virtual ~LayoutWindow() = default;
    // True when the dialog has a child control with this id.
    virtual bool HasControl(int id) const = 0;
    // Moves and sizes a child control in client coordinates; an unknown id does nothing.
    virtual void MoveControl(int id, int x, int y, int width, int height, bool repaint) = 0;
    // The client area as (0, 0, width, height).
    virtual LayoutRect ClientRect() const = 0;
    // A child's outer rectangle in client coordinates, right and bottom exclusive.
    virtual LayoutRect ControlRect(int id) const = 0;
    // Makes the opened list of a drop-down list reach `pixelsBelow` pixels below the control.
    virtual void SetDropDownReach(int id, int pixelsBelow) = 0;
    // Repaints the whole client area once.
    virtual void InvalidateAll() = 0;
    // Height of a 3-D edge in pixels (E).
    virtual int EdgeHeight() const = 0;
};
