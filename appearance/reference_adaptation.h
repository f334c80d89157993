#pragma once

// Slow adaptation of the targets' references to the look of their objects
// (light changes, turning objects), only where the tracker is sure of them.

#include "core/tavo.h"

struct AdaptationSettings {
    double rate = 0.0;  // reference = (1 - rate) reference + rate estimate; 0: off
    // A target adapts only while its estimate's rectangle matches the
    // reference at least this well (Bhattacharyya coefficient): a clearly
    // confident match, so that a drifting target does not learn its
    // background.
    double minSimilarity = 0.8;
};

// For every target with an appearance model, after the frame's estimates
// were computed: moves its reference toward its estimate's rectangle when
// the match is confident and no other target's estimated rectangle
// overlaps it.  Returns the number of targets that adapted.
int adaptReferences(tavo& tracker, const AdaptationSettings& settings);

// A target's estimate as a rectangle of the frame.
CvRect estimateRect(const tavo& tracker, const Target& target);
