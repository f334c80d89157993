#include "motion/still_targets.h"

#include <algorithm>
#include <cmath>

void StillTargets::start(size_t index, double centreX, double centreY, double side)
{
    if (index >= places_.size())
        places_.resize(index + 1);
    places_[index] = Place{centreX, centreY, side, false};
}

void StillTargets::observe(size_t index, double centreX, double centreY)
{
    if (index >= places_.size())
        return;
    Place& p = places_[index];
    if (std::hypot(centreX - p.x, centreY - p.y) > kStillReach * p.side)
        p.left = true;
}

void StillTargets::drop(size_t index)
{
    if (index < places_.size())
        places_.erase(places_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool StillTargets::anyStill() const
{
    return std::any_of(places_.begin(), places_.end(), [](const Place& p) { return !p.left; });
}
