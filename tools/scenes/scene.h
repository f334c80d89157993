#pragma once

// What a test scene is made of: objects with their look and a pose for
// every frame, the ground they move on, look-alike patches, occluders,
// lighting and the limits its choreography is checked against.

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace scenes {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kFrameCount = 300;  // unless a scene needs more
constexpr double kFramesPerSecond = 25.0;

// Boxes this close (or overlapping) count as a crossing: the tracker is
// excused for swapping identities there.
constexpr int kCrossingGap = 4;
// Objects leave the ground truth when more than this share is hidden.
constexpr double kOmittedHiddenShare = 0.5;

// What a scene's choreography is checked against.  The defaults fit
// walking objects at this frame size: up to 3 px/frame, gently
// accelerating, 16 to 30 px across.
struct Limits {
    double maxSpeed = 3.0;         // px / frame, of the box centre
    double maxAcceleration = 0.4;  // px / frame^2; 0: velocities may jump
    double maxVelocityJump = 0.0;  // px / frame, when they may
    int minSide = 16;
    int maxSide = 30;
    double maxTurn = 0.0;  // degrees / frame; 0: objects stay upright
    int minWait = 0;       // frames: > 0, each object stands still this long once
};

// BGR colours of an object: the upper band and the lower band.  A plain
// object has the same colour in both.
struct Look {
    cv::Scalar top, bottom;
};

inline Look plain(const cv::Scalar& colour) { return {colour, colour}; }

// Centre and size in sub-pixel precision; `angle` turns the object
// clockwise on screen (degrees, 0: upright).
struct Pose {
    double cx, cy, w, h;
    double angle = 0.0;
};

// Where a hand-held camera looks: the background point at the frame's
// centre and the zoom (image pixels per background pixel).
struct View {
    double cx, cy, zoom;
};

struct SceneObject {
    Look look;
    std::vector<Pose> poses;  // one per frame
};

// A static look-alike of object `ownerId`, drawn into the background.
struct Patch {
    int ownerId;
    cv::Rect box;
};

// A pair of objects that is allowed to come closer than the 5 px every
// other pair keeps, and how close it must come at least once.
// kBeside: within the crossing gap at least once, never overlapping.
enum class Closeness { kMay, kWithinCrossingGap, kOverlapping, kBeside };
struct Meeting {
    int a, b;
    Closeness closeness;
};

struct Scene {
    std::string name;
    int frames = kFrameCount;
    cv::Size frameSize{kFrameWidth, kFrameHeight};
    // The background is larger than the frame when `views` is not empty.
    cv::Mat background;
    std::vector<SceneObject> objects;  // id = index + 1, drawn in this order
    // Ids 1..targets are the targets (SCENE.gt.txt), the others passers-by
    // (only in SCENE.all.txt); 0: every object is a target.
    int targets = 0;
    // Objects may leave the frame (wholly, for a while) and come back.
    bool mayLeaveFrame = false;
    // The camera per frame (empty: a still camera seeing the background as
    // it is).  Object poses are in image coordinates either way.
    std::vector<View> views;
    std::vector<Patch> patches;
    std::vector<Meeting> meetings;
    // Occluders drawn over the objects, per frame (empty: none).
    std::vector<std::vector<cv::Rect>> occluders;
    cv::Scalar occluderColour;
    // Brightness factor per frame (empty: 1 throughout).
    std::vector<double> brightness;
    // Brightness factor per pixel, CV_32F of the frame's size, over the
    // objects as well as the ground: a lamp's falloff (empty: none).
    cv::Mat falloff;
    // Objects whose box reaches lower in the frame are nearer the camera and
    // drawn in front of the others; false: drawn in id order.
    bool drawByDepth = false;
    double sensorNoise = 3.0;  // standard deviation per channel, grey levels
    int jpegQuality = 0;       // > 0: each frame goes through JPEG first
    Limits limits;
    cv::RNG rng;  // sensor noise and textures
};

// The drawn rectangle: whole pixels, so the ground truth is exact.  A
// turned object's box is the bounding box of the pixels it covers.
cv::Rect boxOf(const Pose& p);

// Whether a turned object covers the pixel (x, y): its centre lies inside.
bool covers(const Pose& p, int x, int y);

// The part of object `id`'s box inside the frame on frame f (0-based).
cv::Rect visibleBox(const Scene& s, int id, int f);

// How many objects are targets.
int targetCount(const Scene& s);

// Pixels between two boxes along the axis that separates them; negative
// when they overlap.
int boxGap(const cv::Rect& a, const cv::Rect& b);

// Share of `box` covered by the union of `occluders`.
double hiddenShare(const cv::Rect& box, const std::vector<cv::Rect>& occluders);

const std::vector<cv::Rect>& occludersOn(const Scene& s, int f);

// Whether object `id` is in the ground truth on frame f (0-based): partly
// inside the frame and not more than half hidden.
bool inGroundTruth(const Scene& s, int id, int f);

}  // namespace scenes
