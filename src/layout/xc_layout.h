// Box layouts: a box is a horizontal or vertical row of items (controls, empty spacers, nested
// boxes) with fixed sizes in pixels or stretch weights in percent of the space left over. A
// window layout builds a tree of boxes, lays the root out in the client rectangle once, and
// destroys the tree; the controls keep the positions they were given.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "layout/layout_metrics.h"
#include "layout/layout_window.h"

class XCLayout;

// One entry of a box: a spacer, a control window or a nested box, fixed or stretching.
struct LayoutItem {
    static constexpr uint32_t kStretch = 1;  // size is a weight, not pixels
    static constexpr uint32_t kKindMask = 6;
    static constexpr uint32_t kSpacer = 0;
    static constexpr uint32_t kWindow = 2;
    static constexpr uint32_t kBox = 4;

    uint32_t flags = 0;
    // Pixels along the box's axis for a fixed item (converted when added), the weight otherwise.
    int32_t size = 0;
    // The control of a window item; empty when the dialog has no such control.
    std::optional<int> control;
    // The nested box of a box item.
    XCLayout* box = nullptr;

    bool IsStretch() const { return (flags & kStretch) != 0; }
    uint32_t Kind() const { return flags & kKindMask; }
};

enum class LayoutOrientation { Horizontal = 1, Vertical = 2 };

struct LayoutSize {
    int width = 0;
    int height = 0;
};

// The abstract box. Rectangles handed to SetGeometry are read with right and bottom INCLUSIVE.
class XCLayout {
public:
    // Spacing codes on the cross axis only (left/right of a vertical box, top/bottom of a
    // horizontal one); set directly by the caller. "Outer" lies outside the frame.
    struct Margins {
        int outerStart = 0;
        int outerEnd = 0;
        int innerStart = 0;
        int innerEnd = 0;
    };
    Margins margins;

    // `parent` is the dialog whose controls this box and the boxes it creates look up by id;
    // it must outlive the box.
    explicit XCLayout(LayoutWindow& parent) : parent_(parent) {}
    virtual ~XCLayout();
    XCLayout(const XCLayout&) = delete;
    XCLayout& operator=(const XCLayout&) = delete;

    // Each Add appends one item. size > 0 is a stretch weight; 0 is zero pixels, or for a box
    // its size hint taken NOW (so complete such a box before adding it); below 0 a spacing code
    // (spacers) or a size code (windows, boxes) converted to pixels on this box's axis now.
    void AddSpacer(int size);
    // `control` empty is kept as an item that takes its span and moves nothing.
    void AddWindow(std::optional<int> control, int size);
    // The box is not owned and must outlive every use of this box.
    void AddLayout(XCLayout& box, int size);
    // The box is owned and destroyed with this box.
    void AddLayout(std::unique_ptr<XCLayout> box, int size);
    // AddWindow with the parent's control of that id, or none when the dialog lacks it.
    void AddControl(int controlId, int size);

    // Makes the group box `controlId` this box's frame: moved to the box's outline, with a
    // SpaceSmall inset and a band at the top for its title.
    void SetFrame(int controlId);
    // A spacing code between the outline and the content (0 by default).
    void SetInset(int spacingCode) { inset_ = spacingCode; }
    // Whether the top inset is replaced by a band holding the frame's title.
    void SetTitled(bool titled) { titled_ = titled; }

    // Appends, as one item of `size`, a column holding the label (SizeText high) above the
    // field, which fills the rest of the column after SpaceMinimal.
    void AddLabelledField(int fieldId, int labelId, int size);

    // Lays the box out in `rect` (right and bottom inclusive): margins, frame, inset, then the
    // items along the main axis. Moves controls without repainting; nothing is clipped.
    virtual void SetGeometry(const LayoutRect& rect);
    // Places one item on the main-axis span from..to (inclusive) across the working rectangle.
    virtual void PlaceItem(const LayoutItem& item, int from, int to);
    // The preferred size: inset, title band and fixed items, plus the hints of stretch boxes.
    // Margins, stretch windows and stretch spacers add nothing.
    virtual LayoutSize SizeHint() const;
    virtual LayoutOrientation Orientation() const = 0;

    const std::vector<LayoutItem>& Items() const { return items_; }
    // The rectangle the items were laid out in, after margins and inset (right/bottom inclusive).
    const LayoutRect& WorkingRect() const { return rect_; }

protected:
    LayoutWindow& Parent() const { return parent_; }

private:
    bool IsHorizontal() const { return Orientation() == LayoutOrientation::Horizontal; }
    int OnAxis(PixelPair p) const { return IsHorizontal() ? p.x : p.y; }
    void ApplyCrossMargins(int startCode, int endCode);
    // Pixels the top band takes: the frame's title when titled, else the inset (plus E when
    // vertical).
    int TopBand(PixelPair inset) const;

    LayoutWindow& parent_;
    std::vector<LayoutItem> items_;
    std::optional<int> frame_;
    int inset_ = 0;
    bool titled_ = false;
    std::vector<std::unique_ptr<XCLayout>> owned_;
    LayoutRect rect_;
};

class XCHoritzontalLayout : public XCLayout {
public:
    explicit XCHoritzontalLayout(LayoutWindow& parent) : XCLayout(parent) {}
    LayoutOrientation Orientation() const override { return LayoutOrientation::Horizontal; }
};

class XCVerticalLayout : public XCLayout {
public:
    explicit XCVerticalLayout(LayoutWindow& parent) : XCLayout(parent) {}
    LayoutOrientation Orientation() const override { return LayoutOrientation::Vertical; }
};
