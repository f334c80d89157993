#pragma once

// The first-frame set-up of a command-line run's tracker.

#include "cli/options.h"
#include "tracker/tavo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// First-frame set-up of a tracker whose huePlane is set: sizes the store,
// sets both noise scales and the joint move's iterations, and adds the
// boxes in order.  The targets get `ids` (one per box, each once, as the
// joint move tells targets apart by id); without ids they keep the
// tracker's numbering in that order.  Messages name a target by its id.  Up to kStandardTargetCount
// targets the store is sized exactly as the demo sizes it; beyond, with one
// block per target.  Returns false with `error` set
// when a box lies wholly outside the plane, the store cannot be had, or a
// target is refused; a refused set-up may leave the tracker half built.
bool setUpTracker(tavo& tracker, CvMat* huePlane, const std::vector<Box>& boxes, int samplesPerTarget, float noise,
                  int jointIterations, std::string& error, const std::vector<int>& ids = {});

// "X,Y,W,H"
std::string boxText(const Box& box);

// A seed for a run without --seed, from the operating system's entropy.
int64_t drawSeed();

// The refusal of a noise scale beyond the larger side of the frame, as a
// message: beyond it a sample jumps out of the frame in one step, and far
// beyond it the positions overflow.  Nothing for a scale that is allowed.
std::optional<std::string> noiseRefusal(float noise, int frameWidth, int frameHeight);

// The first target whose estimate has a NaN or infinite field; null when
// every estimate is finite.
const Target* firstNonFiniteEstimate(const tavo& tracker);

}  // namespace tavo_cli
