#pragma once

// The tracker of a command-line run: the library's tracker with the joint
// move's iteration count chosen by the user, set up on the first frame.

#include "cli/options.h"
#include "tracker/tavo.h"

#include <string>
#include <vector>

namespace tavo_cli {

// The tracking cycle always asks the joint move for its standard 5000
// iterations; this tracker runs the move with its own count instead.
class CliTracker : public tavo {
public:
    CliTracker(TickSource& ticks, int iterations) : tavo(ticks), iterations_(iterations) {}
    void jointMove(int) override { tavo::jointMove(iterations_); }

private:
    int iterations_;
};

// Sampling tables of 2^18 entries, as in the demo.
constexpr int kTableMask = 0x3ffff;

// First-frame set-up of a tracker whose huePlane is set: sizes the store,
// sets both noise scales and adds the boxes in order (ids follow that
// order).  Up to ten targets the store is sized exactly as the demo sizes
// it; beyond, with one block per target.  Returns false with `error` set
// when a box lies wholly outside the plane, the store cannot be had, or a
// target is refused; a refused set-up may leave the tracker half built.
bool setUpTracker(tavo& tracker, CvMat* huePlane, const std::vector<Box>& boxes, int samplesPerTarget, float noise,
                  std::string& error);

// "X,Y,W,H"
std::string boxText(const Box& box);

}  // namespace tavo_cli
