#include "layout/xc_layout.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// Positions are summed in 64 bits so that oversized items and weights cannot wrap around; the
// controls then receive the nearest coordinate an int can hold.
int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

XCLayout::~XCLayout() {
    // Owned boxes go first and in the order they were added; the items only point at them.
    for (auto& box : owned_) {
        box.reset();
    }
}

void XCLayout::AddSpacer(int size) {
    LayoutItem item;
    if (size > 0) {
        item.flags = LayoutItem::kSpacer | LayoutItem::kStretch;
        item.size = size;
    } else {
        item.flags = LayoutItem::kSpacer;
        item.size = OnAxis(SpacingToPixels(size));
    }
    items_.push_back(item);
}

void XCLayout::AddWindow(std::optional<int> control, int size) {
    LayoutItem item;
    item.control = control;
    if (size > 0) {
        item.flags = LayoutItem::kWindow | LayoutItem::kStretch;
        item.size = size;
    } else {
        item.flags = LayoutItem::kWindow;
        item.size = OnAxis(ControlSizeToPixels(size, parent_.EdgeHeight()));
    }
    items_.push_back(item);
}

void XCLayout::AddLayout(XCLayout& box, int size) {
    LayoutItem item;
    item.box = &box;
    if (size > 0) {
        item.flags = LayoutItem::kBox | LayoutItem::kStretch;
        item.size = size;
    } else if (size == 0) {
        item.flags = LayoutItem::kBox;
        const LayoutSize hint = box.SizeHint();
        item.size = IsHorizontal() ? hint.width : hint.height;
    } else {
        item.flags = LayoutItem::kBox;
        item.size = OnAxis(ControlSizeToPixels(size, parent_.EdgeHeight()));
    }
    items_.push_back(item);
}

void XCLayout::AddLayout(std::unique_ptr<XCLayout> box, int size) {
    XCLayout& added = *box;
    owned_.push_back(std::move(box));
    AddLayout(added, size);
}

void XCLayout::AddControl(int controlId, int size) {
    std::optional<int> control;
    if (parent_.HasControl(controlId)) {
        control = controlId;
    }
    AddWindow(control, size);
}

void XCLayout::SetFrame(int controlId) {
    frame_.reset();
    if (parent_.HasControl(controlId)) {
        frame_ = controlId;
    }
    inset_ = SpaceSmall;
    titled_ = true;
}

void XCLayout::AddLabelledField(int fieldId, int labelId, int size) {
    auto row = std::make_unique<XCHoritzontalLayout>(parent_);
    auto column = std::make_unique<XCVerticalLayout>(parent_);
    XCHoritzontalLayout& rowBox = *row;
    XCVerticalLayout& columnBox = *column;
    owned_.push_back(std::move(row));
    owned_.push_back(std::move(column));

    rowBox.AddSpacer(SpaceMinimal);
    rowBox.AddControl(fieldId, 100);
    columnBox.AddControl(labelId, SizeText);
    columnBox.AddSpacer(SpaceMinimal);
    columnBox.AddLayout(rowBox, 100);
    AddLayout(columnBox, size);
}

void XCLayout::ApplyCrossMargins(int startCode, int endCode) {
    const PixelPair start = SpacingToPixels(startCode);
    const PixelPair end = SpacingToPixels(endCode);
    if (IsHorizontal()) {
        rect_.top += start.y;
        rect_.bottom -= end.y;
    } else {
        rect_.left += start.x;
        rect_.right -= end.x;
    }
}

int XCLayout::TopBand(PixelPair inset) const {
    const int t = CurrentLayoutMetrics().textHeight;
    const int e = parent_.EdgeHeight();
    if (IsHorizontal()) {
        return titled_ ? t + 2 * e : inset.y;
    }
    return titled_ ? t + 2 * e + 1 : inset.y + e;
}

void XCLayout::SetGeometry(const LayoutRect& rect) {
    rect_ = rect;
    ApplyCrossMargins(margins.outerStart, margins.outerEnd);
    if (frame_) {
        parent_.MoveControl(*frame_, rect_.left, rect_.top, rect_.right - rect_.left + 1,
                            rect_.bottom - rect_.top + 1, false);
    }
    const PixelPair inset = SpacingToPixels(inset_);
    rect_.left += inset.x;
    rect_.right -= inset.x;
    rect_.bottom -= inset.y;
    rect_.top += TopBand(inset);
    ApplyCrossMargins(margins.innerStart, margins.innerEnd);

    if (items_.empty()) {
        return;
    }
    const int64_t start = IsHorizontal() ? rect_.left : rect_.top;
    const int64_t end = IsHorizontal() ? rect_.right : rect_.bottom;
    int64_t fixed = 0;
    for (const LayoutItem& item : items_) {
        if (!item.IsStretch()) {
            fixed += item.size;
        }
    }
    const int64_t available = std::max<int64_t>(end - start + 1 - fixed, 0);

    int64_t pos = start;
    for (const LayoutItem& item : items_) {
        int64_t size = item.size;
        if (item.IsStretch()) {
            // Each stretch item rounds by itself; remainders are not carried forward.
            size = RoundHalfTowardZero(static_cast<double>(available * item.size) / 100.0);
        }
        PlaceItem(item, ClampToInt(pos), ClampToInt(pos + size - 1));
        pos += size;
    }
}

void XCLayout::PlaceItem(const LayoutItem& item, int from, int to) {
    const int64_t span = static_cast<int64_t>(to) - from + 1;
    switch (item.Kind()) {
        case LayoutItem::kWindow:
            if (!item.control) {
                return;
            }
            if (IsHorizontal()) {
                parent_.MoveControl(*item.control, from, rect_.top, ClampToInt(span),
                                    rect_.bottom - rect_.top + 1, false);
            } else {
                parent_.MoveControl(*item.control, rect_.left, from, rect_.right - rect_.left + 1,
                                    ClampToInt(span), false);
            }
            return;
        case LayoutItem::kBox:
            if (item.box == nullptr) {
                return;
            }
            if (IsHorizontal()) {
                item.box->SetGeometry({from, rect_.top, to, rect_.bottom});
            } else {
                item.box->SetGeometry({rect_.left, from, rect_.right, to});
            }
            return;
        default:  // spacers only take their span
            return;
    }
}

LayoutSize XCLayout::SizeHint() const {
    const PixelPair inset = SpacingToPixels(inset_);
    const int e = parent_.EdgeHeight();
    int64_t along = 0;   // fixed sizes plus the stretch boxes' hints on this box's axis
    int64_t across = 0;  // the largest stretch box hint on the other axis
    for (const LayoutItem& item : items_) {
        if (!item.IsStretch()) {
            along += item.size;
        } else if (item.Kind() == LayoutItem::kBox && item.box != nullptr) {
            const LayoutSize hint = item.box->SizeHint();
            along += IsHorizontal() ? hint.width : hint.height;
            across = std::max<int64_t>(across, IsHorizontal() ? hint.height : hint.width);
        }
    }
    const int64_t band = TopBand(inset);
    if (IsHorizontal()) {
        return {ClampToInt(2 * int64_t{inset.x} + along), ClampToInt(inset.y + band + across)};
    }
    // Untitled, the band's E is the one the hint counts; titled, the hint adds an E below.
    const int64_t bandHint = titled_ ? band : inset.y;
    return {ClampToInt(2 * int64_t{inset.x} + across), ClampToInt(e + inset.y + bandHint + along)};
}
