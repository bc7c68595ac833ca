// A dialog without a display: the controls it was given, where they were last moved, and a
// record of everything the layout asked of it.
#pragma once

#include <initializer_list>
#include <map>
#include <ostream>
#include <set>
#include <vector>

#include "layout/layout_window.h"

struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Placement&) const = default;
};

inline void PrintTo(const Placement& p, std::ostream* os) {
    *os << "(x " << p.x << ", y " << p.y << ", w " << p.width << ", h " << p.height << ")";
}

class FakeLayoutWindow : public LayoutWindow {
public:
    FakeLayoutWindow(int clientWidth, int clientHeight, int edge = 2)
        : width_(clientWidth), height_(clientHeight), edge_(edge) {}

    // Adds controls, each at a recognisable starting place so that an unmoved one shows.
    void Add(std::initializer_list<int> ids) {
        for (int id : ids) {
            controls_[id] = {-1, -1, 1, 1};
        }
    }
    void AddRange(int first, int last) {
        for (int id = first; id <= last; ++id) {
            controls_[id] = {-1, -1, 1, 1};
        }
    }
    void Remove(int id) { controls_.erase(id); }

    Placement At(int id) const { return controls_.at(id); }
    bool Moved(int id) const { return moved_.count(id) != 0; }
    int Reach(int id) const { return reach_.count(id) ? reach_.at(id) : 0; }

    // Every id MoveControl was called with, known or not.
    std::vector<int> moveLog;
    int repaintedMoves = 0;
    int invalidations = 0;

    bool HasControl(int id) const override { return controls_.count(id) != 0; }
    void MoveControl(int id, int x, int y, int w, int h, bool repaint) override {
        moveLog.push_back(id);
        if (repaint) {
            ++repaintedMoves;
        }
        if (HasControl(id)) {
            controls_[id] = {x, y, w, h};
            moved_.insert(id);
        }
    }
    LayoutRect ClientRect() const override { return {0, 0, width_, height_}; }
    LayoutRect ControlRect(int id) const override {
        const Placement p = controls_.count(id) ? controls_.at(id) : Placement{};
        return {p.x, p.y, p.x + p.width, p.y + p.height};
    }
    // Kept apart from the control's own rectangle, as a toolkit popup is.
    void SetDropDownReach(int id, int pixelsBelow) override { reach_[id] = pixelsBelow; }
    void InvalidateAll() override { ++invalidations; }
    int EdgeHeight() const override { return edge_; }

private:
    int width_;
    int height_;
    int edge_;
    std::map<int, Placement> controls_;
    std::set<int> moved_;
    std::map<int, int> reach_;
};
