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
// Every object really moves: its top speed is at least this.
constexpr double kMinTopSpeed = 1.0;
// Growth of a box side per frame: a walk towards the camera, not a zoom.
constexpr double kMaxGrowth = 0.6;  // px / frame

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
    const cv::Rect frame(0, 0, kFrameWidth, kFrameHeight);
    double topSpeed = 0;
    for (int f = 0; f < kFrameCount; ++f) {
        const cv::Rect box = boxOf(p[f]);
        if ((box & frame) != box)
            return fail(s, "leaves the frame", id, f);
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
        if (f + 1 < kFrameCount) {
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
    int closest = kFrameWidth;
    for (int f = 0; f < kFrameCount; ++f) {
        const int gap = boxGap(boxOf(s.objects[a - 1].poses[f]), boxOf(s.objects[b - 1].poses[f]));
        closest = std::min(closest, gap);
        if (!meeting && gap < kApartGap) {
            std::fprintf(stderr, "make-scenes: %s: objects %d and %d come %d px close on frame %d\n",
                         s.name.c_str(), a, b, gap, f + 1);
            return false;
        }
    }
    const bool tooFar =
        meeting && ((meeting->closeness == Closeness::kOverlapping && closest >= 0) ||
                    (meeting->closeness == Closeness::kWithinCrossingGap && closest > kCrossingGap));
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
    for (int f = 0; f < kFrameCount;) {
        if (inGroundTruth(s, id, f)) {
            ++f;
            continue;
        }
        const int first = f;
        bool complete = false;
        for (; f < kFrameCount && !inGroundTruth(s, id, f); ++f)
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
            if (g >= kFrameCount || !inGroundTruth(s, id, g))
                return fail(s, "is not in view long enough after hiding", id, f);
        ++episodes;
    }
    if (episodes == 0)
        return fail(s, "is never hidden", id, kWholeScene);
    return true;
}

// Each look-alike patch lies on its owner's path or beside it: the owner
// covers it at some time or passes it within 10 px.
bool checkPatches(const Scene& s)
{
    constexpr int kBeside = 10;
    for (const Patch& patch : s.patches) {
        int closest = kFrameWidth;
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
    if (n < 3 || n > 6) {
        std::fprintf(stderr, "make-scenes: %s: %d objects\n", s.name.c_str(), n);
        return false;
    }
    for (int id = 1; id <= n; ++id) {
        if (!checkMotion(s, id) || !checkFirstFrame(s, id))
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
