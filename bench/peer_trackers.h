#pragma once

// OpenCV's own trackers on the same frames, for ratios beside TAVO's: KCF
// and MOSSE from the contrib tracking module, one tracker per target,
// updated one after another on every frame.

#include "replay/frame_sequence.h"
#include "support/box.h"

#include <benchmark/benchmark.h>

#include <vector>

enum class PeerTracker { Kcf, Mosse };

// Whether the build has OpenCV's tracking module.
bool havePeerTrackers();

// Initialises one tracker per box on frame 0, then times the update of all
// of them on one frame per iteration, cycling through frames 1 .. n-1.
void timePeerTrackers(benchmark::State& state, const FrameSequence& frames, const std::vector<Box>& boxes,
                      PeerTracker kind);
