#include "scenes/choreography.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace scenes {

namespace {

// Objects that are not meant to meet keep at least this gap, so that they
// never show up as a crossing.
constexpr int kApartGap = kCrossingGap + 1;
// On frame 1 each object is this far from every other object and every
// look-alike patch: the tracker's first boxes hold nothing but the object.
constexpr int kFirstFrameClearance = 8;
// A hiding episode lasts this many frames; afterwards the object stays in
// view long enough for the tracker to be seen finding it again.
constexpr int kMinHiddenFrames = 10;
constexpr int kMaxHiddenFrames = 40;
constexpr int kMinVisibleAfterHiding = 15;
// An object that leaves the frame stays out at most this long.
constexpr int kMaxOutsideFrames = 100;
// Every object really moves: its top speed is at least this.
constexpr double kMinTopSpeed = 1.0;
// Growth of a box side per frame: a walk towards the camera, not a zoom.
constexpr double kMaxGrowth = 0.6;  // px / frame
// Targets per scene, and objects with the passers-by.
constexpr int kFewestTargets = 3, kMostTargets = 6, kMostObjects = 12;
// A turned object lies down at most.
constexpr double kMostTurned = 90.0;  // degrees
// A wait ends before this many frames: the object moves on.
constexpr int kLongestWait = 300;
// A hand-held camera moves the picture by at most this much per frame and
// zooms by at most this share either way.
constexpr double kMaxCameraShift = 10.0;  // px / frame
constexpr double kMaxZoomChange = 0.1;

constexpr int kWholeScene = -1;

// Reports what object `id` does wrong on frame f (0-based) or, with
// kWholeScene, throughout.
bool fail(const Scene& s, const char* what, int id, int f)
{
    if (f == kWholeScene)
        std::fprintf(stderr, "make-scenes: %s: object %d %s\n", s.name.c_str(), id, what);
    else
        std::fprintf(stderr, "make-scenes: %s: object %d %s on frame %d\n", s.name.c_str(), id,
                     what, f + 1);
    return false;
}

const Meeting* meetingOf(const Scene& s, int a, int b)
{
    for (const Meeting& m : s.meetings)
        if ((m.a == a && m.b == b) || (m.a == b && m.b == a))
            return &m;
    return nullptr;
}

bool checkMotion(const Scene& s, int id)
{
    const std::vector<Pose>& p = s.objects[id - 1].poses;
    const Limits& l = s.limits;
    const cv::Rect frame(cv::Point(0, 0), s.frameSize);
    double topSpeed = 0;
    if (static_cast<int>(p.size()) != s.frames)
        return fail(s, "has a pose for too few or too many frames", id, kWholeScene);
    for (int f = 0; f < s.frames; ++f) {
        const cv::Rect box = boxOf(p[f]);
        if ((box & frame) != box && !s.mayLeaveFrame)
            return fail(s, "leaves the frame", id, f);
        if (std::abs(p[f].angle) > kMostTurned + 1e-9 ||
            (f > 0 && std::abs(p[f].angle - p[f - 1].angle) > l.maxTurn + 1e-9))
            return fail(s, "turns too far or too fast", id, f);
        if (std::min(box.width, box.height) < l.minSide ||
            std::max(box.width, box.height) > l.maxSide)
            return fail(s, "has the wrong size", id, f);
        if (f == 0)
            continue;
        if (std::abs(p[f].w - p[f - 1].w) > kMaxGrowth || std::abs(p[f].h - p[f - 1].h) > kMaxGrowth)
            return fail(s, "grows too fast", id, f);
        const double vx = p[f].cx - p[f - 1].cx, vy = p[f].cy - p[f - 1].cy;
        topSpeed = std::max(topSpeed, std::hypot(vx, vy));
        if (std::hypot(vx, vy) > l.maxSpeed + 1e-9)
            return fail(s, "is too fast", id, f);
        if (f + 1 < s.frames) {
            const double ax = p[f + 1].cx - 2 * p[f].cx + p[f - 1].cx;
            const double ay = p[f + 1].cy - 2 * p[f].cy + p[f - 1].cy;
            const double limit = l.maxAcceleration > 0 ? l.maxAcceleration : l.maxVelocityJump;
            if (std::hypot(ax, ay) > limit + 1e-9)
                return fail(s, "changes speed too abruptly", id, f);
        }
    }
    if (topSpeed < kMinTopSpeed)
        return fail(s, "hardly moves", id, kWholeScene);
    return true;
}

bool checkFirstFrame(const Scene& s, int id)
{
    const cv::Rect box = boxOf(s.objects[id - 1].poses[0]);
    if (visibleBox(s, id, 0) != box)
        return fail(s, "is not wholly in the frame", id, 0);
    if (hiddenShare(box, occludersOn(s, 0)) > 0)
        return fail(s, "is hidden", id, 0);
    for (int other = 1; other <= static_cast<int>(s.objects.size()); ++other)
        if (other != id && boxGap(box, boxOf(s.objects[other - 1].poses[0])) < kFirstFrameClearance)
            return fail(s, "is too close to another", id, 0);
    for (const Patch& patch : s.patches)
        if (boxGap(box, patch.box) < kFirstFrameClearance)
            return fail(s, "is too close to a patch", id, 0);
    return true;
}

bool checkPair(const Scene& s, int a, int b)
{
    const Meeting* meeting = meetingOf(s, a, b);
    int closest = s.frameSize.width;
    bool overlapped = false;
    for (int f = 0; f < s.frames; ++f) {
        const int gap = boxGap(boxOf(s.objects[a - 1].poses[f]), boxOf(s.objects[b - 1].poses[f]));
        closest = std::min(closest, gap);
        overlapped = overlapped || gap < 0;
        if (!meeting && gap < kApartGap) {
            std::fprintf(stderr, "make-scenes: %s: objects %d and %d come %d px close on frame %d\n",
                         s.name.c_str(), a, b, gap, f + 1);
            return false;
        }
    }
    const bool within = meeting && (meeting->closeness == Closeness::kWithinCrossingGap ||
                                     meeting->closeness == Closeness::kBeside);
    if (meeting && meeting->closeness == Closeness::kBeside && overlapped) {
        std::fprintf(stderr, "make-scenes: %s: objects %d and %d overlap\n", s.name.c_str(), a, b);
        return false;
    }
    const bool tooFar =
        meeting && ((meeting->closeness == Closeness::kOverlapping && closest >= 0) ||
                    (within && closest > kCrossingGap));
    if (tooFar) {
        std::fprintf(stderr, "make-scenes: %s: objects %d and %d never meet (closest %d px)\n",
                     s.name.c_str(), a, b, closest);
        return false;
    }
    return true;
}

// Each object is hidden at least once; each episode is 10 to 40 frames,
// hides it completely for at least one frame and leaves it in view long
// enough afterwards.
bool checkHiding(const Scene& s, int id)
{
    int episodes = 0;
    for (int f = 0; f < s.frames;) {
        if (inGroundTruth(s, id, f)) {
            ++f;
            continue;
        }
        const int first = f;
        bool complete = false;
        for (; f < s.frames && !inGroundTruth(s, id, f); ++f)
            complete = complete || hiddenShare(boxOf(s.objects[id - 1].poses[f]),
                                               occludersOn(s, f)) >= 1.0;
        const int length = f - first;
        if (length < kMinHiddenFrames || length > kMaxHiddenFrames) {
            std::fprintf(stderr, "make-scenes: %s: object %d is hidden for %d frames from frame %d\n",
                         s.name.c_str(), id, length, first + 1);
            return false;
        }
        if (!complete)
            return fail(s, "is never completely hidden", id, first);
        for (int g = f; g < f + kMinVisibleAfterHiding; ++g)
            if (g >= s.frames || !inGroundTruth(s, id, g))
                return fail(s, "is not in view long enough after hiding", id, f);
        ++episodes;
    }
    if (episodes == 0)
        return fail(s, "is never hidden", id, kWholeScene);
    return true;
}

// Each target leaves the frame wholly at least once; each time it stays
// out 10 to 100 frames and comes back wholly into the frame, in view long
// enough then.
bool checkExits(const Scene& s, int id)
{
    const cv::Rect frame(cv::Point(0, 0), s.frameSize);
    const auto outside = [&](int f) { return visibleBox(s, id, f).empty(); };
    int exits = 0;
    for (int f = 0; f < s.frames;) {
        if (!outside(f)) {
            ++f;
            continue;
        }
        const int first = f;
        while (f < s.frames && outside(f))
            ++f;
        if (f - first < kMinHiddenFrames || f - first > kMaxOutsideFrames) {
            std::fprintf(stderr, "make-scenes: %s: object %d is outside for %d frames from frame %d\n",
                         s.name.c_str(), id, f - first, first + 1);
            return false;
        }
        int back = f;
        while (back < s.frames && (boxOf(s.objects[id - 1].poses[back]) & frame) !=
                                      boxOf(s.objects[id - 1].poses[back]))
            ++back;
        for (int g = back; g < back + kMinVisibleAfterHiding; ++g)
            if (g >= s.frames || outside(g))
                return fail(s, "does not come back wholly into the frame for long", id, first);
        ++exits;
    }
    if (exits == 0)
        return fail(s, "never leaves the frame", id, kWholeScene);
    return true;
}

// The object stands still once for minWait to 300 frames and then moves on.
bool checkWait(const Scene& s, int id)
{
    const std::vector<Pose>& p = s.objects[id - 1].poses;
    int still = 0;
    for (int f = 1; f < s.frames; ++f) {
        if (p[f].cx == p[f - 1].cx && p[f].cy == p[f - 1].cy) {
            ++still;
            continue;
        }
        if (still + 1 >= s.limits.minWait && still + 1 <= kLongestWait)
            return true;
        still = 0;
    }
    return fail(s, "never waits and moves on", id, kWholeScene);
}

// A hand-held camera: a view per frame, zoom within 10 % of 1, the frame
// wholly on the background, at most 10 px of movement per frame.
bool checkCamera(const Scene& s)
{
    const auto wrong = [&](const char* what, int f) {
        std::fprintf(stderr, "make-scenes: %s: the camera %s on frame %d\n", s.name.c_str(), what,
                     f + 1);
        return false;
    };
    if (static_cast<int>(s.views.size()) != s.frames)
        return wrong("has too few or too many views", 0);
    const cv::Rect2d ground(0, 0, s.background.cols, s.background.rows);
    for (int f = 0; f < s.frames; ++f) {
        const View& v = s.views[f];
        if (std::abs(v.zoom - 1.0) > kMaxZoomChange + 1e-9)
            return wrong("zooms too far", f);
        const double halfW = kFrameWidth / 2.0 / v.zoom, halfH = kFrameHeight / 2.0 / v.zoom;
        const cv::Rect2d seen(v.cx - halfW, v.cy - halfH, 2 * halfW, 2 * halfH);
        if ((seen & ground) != seen)
            return wrong("sees beyond the background", f);
        if (f > 0 && v.zoom * std::hypot(v.cx - s.views[f - 1].cx, v.cy - s.views[f - 1].cy) >
                         kMaxCameraShift)
            return wrong("moves too fast", f);
    }
    return true;
}

// Each look-alike patch lies on its owner's path or beside it: the owner
// covers it at some time or passes it within 10 px.
bool checkPatches(const Scene& s)
{
    constexpr int kBeside = 10;
    for (const Patch& patch : s.patches) {
        int closest = s.frameSize.width;
        for (const Pose& p : s.objects[patch.ownerId - 1].poses)
            closest = std::min(closest, boxGap(boxOf(p), patch.box));
        if (closest > kBeside) {
            std::fprintf(stderr, "make-scenes: %s: a patch of object %d is %d px off its path\n",
                         s.name.c_str(), patch.ownerId, closest);
            return false;
        }
    }
    return true;
}

}  // namespace

bool checkScene(const Scene& s)
{
    const int n = static_cast<int>(s.objects.size());
    const int targets = targetCount(s);
    if (targets < kFewestTargets || targets > kMostTargets || n < targets || n > kMostObjects) {
        std::fprintf(stderr, "make-scenes: %s: %d objects, %d targets\n", s.name.c_str(), n,
                     targets);
        return false;
    }
    if (!s.views.empty() && s.frameSize != cv::Size(kFrameWidth, kFrameHeight)) {
        std::fprintf(stderr, "make-scenes: %s: a hand-held camera needs the usual frame size\n",
                     s.name.c_str());
        return false;
    }
    if (!s.falloff.empty() && (s.falloff.size() != s.frameSize || s.falloff.type() != CV_32F)) {
        std::fprintf(stderr, "make-scenes: %s: the light's falloff does not fit the frame\n",
                     s.name.c_str());
        return false;
    }
    if (!s.views.empty() && !checkCamera(s))
        return false;
    for (int id = 1; id <= n; ++id) {
        if (!checkMotion(s, id) || !checkFirstFrame(s, id))
            return false;
        if (s.mayLeaveFrame && id <= targets && !checkExits(s, id))
            return false;
        if (s.limits.minWait > 0 && !checkWait(s, id))
            return false;
        for (int other = id + 1; other <= n; ++other)
            if (!checkPair(s, id, other))
                return false;
        if (!s.occluders.empty() && !checkHiding(s, id))
            return false;
    }
    return checkPatches(s);
}

}  // namespace scenes
