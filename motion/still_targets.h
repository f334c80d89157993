#pragma once

// Which targets still stand where they started.  A rule made for still
// objects (the unseen background of their first boxes counted as theirs)
// must stop once its object has left: the first box's unseen pixels that
// still look as then are background, not the object.

#include <cstddef>
#include <vector>

// A target whose estimate's centre has once been further than this share of
// its first box's larger side from its first centre has left its place
// (the estimate of a still object wobbles by a few per cent of its size).
constexpr double kStillReach = 0.25;

class StillTargets {
public:
    // Target `index` starts (again) at that centre with that larger side.
    void start(size_t index, double centreX, double centreY, double side);
    // Its estimate's centre on a frame.
    void observe(size_t index, double centreX, double centreY);
    // Drops target `index` (a removed target): those after it move down one.
    void drop(size_t index);
    // Whether any target has not yet left its first place.
    bool anyStill() const;

private:
    struct Place {
        double x = 0.0, y = 0.0, side = 0.0;
        bool left = false;
    };
    std::vector<Place> places_;
};
