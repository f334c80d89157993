#pragma once

// Whether each target is tracked, hidden or lost, judged after every frame
// from what the tracker knows of it: how well its samples match beside how
// well they matched while it was followed, robust motion's lost-and-found
// search and coasting, and where its box lies in the frame.  The judgement
// only reads the tracker: the tracking is the same with or without it.

#include "support/box.h"

#include <cstddef>
#include <vector>

struct Target;
class tavo;

enum class TargetState {
    Tracked,  // followed
    Hidden,   // believed behind something: the box coasts on
    Lost,     // out of the frame or not seen for long: searched for
};

// "tracked", "hidden" or "lost".
const char* stateName(TargetState state);

class TargetStates {
public:
    // A best likelihood below this share of the target's typical best is a
    // frame on which its object is not seen.  The hue histograms' match
    // keeps a floor near a third of the typical on grey and unlike
    // colours; the appearance models' falls toward 0 there, but swings to
    // a third of the typical on frames where the object is in plain view.
    static constexpr double kHueUnseenShare = 0.5;
    static constexpr double kModelUnseenShare = 0.15;
    // Frames a target stays hidden before it counts as lost: a person
    // behind a pillar or a car behind a truck is out of sight about two
    // seconds at 25 frames/s.
    static constexpr int kHiddenFrames = 50;
    // A target whose object was last seen within this many of its own box
    // sizes of the frame's edge has left the frame when it is not seen:
    // lost, not hidden.  (Its velocity cannot tell: robust motion damps
    // it, and an object turns at the edge as often as anywhere.)
    static constexpr double kEdgeReach = 0.75;
    // Weight of a seen frame in the running mean of the typical match.
    static constexpr double kTypicalRate = 0.1;

    // The new target `index` (appended, or relearnt by reinit): tracked.
    void start(size_t index);
    void remove(size_t index);
    // Judges every target of the tracker after a frame; `boxes` are their
    // reported boxes, in the tracker's order.
    void judge(const tavo& tracker, const std::vector<RealBox>& boxes, int columns, int rows);
    TargetState state(size_t index) const { return index < judged_.size() ? judged_[index].state : TargetState::Tracked; }

private:
    struct Judged {
        TargetState state = TargetState::Tracked;
        double typical = 0.0;  // running mean of the match on seen frames; 0: none yet
        int unseenFrames = 0;
        bool leaving = false;  // last seen near an edge
    };
    void judgeOne(Judged& j, const Target& t, double match, const RealBox& box, int columns, int rows);
    std::vector<Judged> judged_;
};

// The best likelihood among the target's samples: the match of the place
// that looks most like it, whatever the spread of the others.
double bestMatch(const tavo& tracker, const Target& t);
