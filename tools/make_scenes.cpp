// make-scenes: writes scored test scenes for the tracker's colour model and
// motion.
//
//   make-scenes OUTDIR [SCENE...]
//
// Without scene names every scene is written.  Each scene is 300 frames of
// 320 x 240 at 25 fps, Motion JPEG in AVI, with 3 to 6 objects:
//
//   OUTDIR/SCENE.avi            the video
//   OUTDIR/SCENE.gt.txt         MOTChallenge ground truth, one line per
//                               object and frame: frame (from 1), id (1..N),
//                               x, y, width, height, 1, -1, -1, -1; the box
//                               is exactly the object's drawn rectangle
//   OUTDIR/SCENE.crossings.txt  idA,idB,firstFrame,lastFrame for each run of
//                               frames in which two boxes overlap or are
//                               within 4 px (empty when there are none)
//   OUTDIR/SCENE.hidden.txt     occluded only: id,firstFrame,lastFrame for
//                               each run of frames in which the object is
//                               more than half hidden (left out of the
//                               ground truth)
//
// Scenes:
//   grey-world  black, dark grey, white and pale objects and one red one on
//               textured asphalt; two pairs pass each other 5 px apart
//   light       the frame's brightness falls to half and comes back, under
//               strong JPEG compression
//   two-tone    upright objects of two colour bands that share colours in
//               different arrangements; two of them cross
//   clutter     static patches of each object's colour near and on its path
//   fast        velocities that jump every 15 to 45 frames, up to 4 px/frame
//   approach    objects that grow from 18 px to about 50 px and shrink back
//   occluded    grey bars sweep over the objects and hide each completely
//   converge    five identical objects meet near one point and part again
//
// Every object is fully visible and apart from the others on frame 1, where
// the tracker learns it.  All noise comes from cv::RNG with fixed seeds: the
// same command writes the same bytes.  Before writing a scene its
// choreography is checked (speeds, accelerations, sizes, boxes inside the
// frame, gaps, hiding episodes); a violation is reported and the exit status
// is 1.  Exit status 2 on bad arguments.

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kFrameCount = 300;
constexpr double kFramesPerSecond = 25.0;

// Boxes this close (or overlapping) count as a crossing: the tracker is
// excused for swapping identities there.
constexpr int kCrossingGap = 4;
// Objects that are not meant to meet keep at least this gap, so that they
// never show up as a crossing.
constexpr int kApartGap = kCrossingGap + 1;
// On frame 1 each object is this far from every other object and every
// look-alike patch: the tracker's first boxes hold nothing but the object.
constexpr int kFirstFrameClearance = 8;
// Objects leave the ground truth when more than this share is hidden.
constexpr double kOmittedHiddenShare = 0.5;
// A hiding episode lasts this many frames; afterwards the object stays in
// view long enough for the tracker to be seen finding it again.
constexpr int kMinHiddenFrames = 10;
constexpr int kMaxHiddenFrames = 40;
constexpr int kMinVisibleAfterHiding = 15;
// Every object really moves: its top speed is at least this.
constexpr double kMinTopSpeed = 1.0;
// Growth of a box side per frame: a walk towards the camera, not a zoom.
constexpr double kMaxGrowth = 0.6;  // px / frame

struct Limits {
    double maxSpeed = 3.0;         // px / frame, of the box centre
    double maxAcceleration = 0.4;  // px / frame^2; 0: velocities may jump
    double maxVelocityJump = 0.0;  // px / frame, when they may
    int minSide = 16;
    int maxSide = 30;
};

// BGR colours of an object: the upper band and the lower band.  A plain
// object has the same colour in both.
struct Look {
    cv::Scalar top, bottom;
};

Look plain(const cv::Scalar& colour) { return {colour, colour}; }

// Centre and size in sub-pixel precision.
struct Pose {
    double cx, cy, w, h;
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

// A pair of objects that is allowed to come closer than kApartGap, and how
// close it must come at least once.
enum class Closeness { kMay, kWithinCrossingGap, kOverlapping };
struct Meeting {
    int a, b;
    Closeness closeness;
};

struct Scene {
    std::string name;
    cv::Mat background;
    std::vector<SceneObject> objects;  // id = index + 1, drawn in this order
    std::vector<Patch> patches;
    std::vector<Meeting> meetings;
    // Occluders drawn over the objects, per frame (empty: none).
    std::vector<std::vector<cv::Rect>> occluders;
    cv::Scalar occluderColour;
    // Brightness factor per frame (empty: 1 throughout).
    std::vector<double> brightness;
    double sensorNoise = 3.0;  // standard deviation per channel, grey levels
    int jpegQuality = 0;       // > 0: each frame goes through JPEG first
    Limits limits;
    cv::RNG rng;  // sensor noise and textures
};

// ---------------------------------------------------------------- geometry

// The drawn rectangle: whole pixels, so the ground truth is exact.
cv::Rect boxOf(const Pose& p)
{
    const int w = static_cast<int>(std::lround(p.w));
    const int h = static_cast<int>(std::lround(p.h));
    return {static_cast<int>(std::lround(p.cx - p.w / 2.0)),
            static_cast<int>(std::lround(p.cy - p.h / 2.0)), w, h};
}

// Pixels between two boxes along the axis that separates them; negative
// when they overlap.
int boxGap(const cv::Rect& a, const cv::Rect& b)
{
    const int gapX = std::max(a.x - (b.x + b.width), b.x - (a.x + a.width));
    const int gapY = std::max(a.y - (b.y + b.height), b.y - (a.y + a.height));
    return std::max(gapX, gapY);
}

// Share of `box` covered by the union of `occluders`.
double hiddenShare(const cv::Rect& box, const std::vector<cv::Rect>& occluders)
{
    cv::Mat covered(box.size(), CV_8U, cv::Scalar(0));
    for (const cv::Rect& o : occluders) {
        const cv::Rect inside = (o & box) - box.tl();
        if (!inside.empty())
            covered(inside).setTo(1);
    }
    return static_cast<double>(cv::countNonZero(covered)) / box.area();
}

const std::vector<cv::Rect>& occludersOn(const Scene& s, int f)
{
    static const std::vector<cv::Rect> none;
    return s.occluders.empty() ? none : s.occluders[f];
}

bool inGroundTruth(const Scene& s, int id, int f)
{
    return hiddenShare(boxOf(s.objects[id - 1].poses[f]), occludersOn(s, f)) <=
           kOmittedHiddenShare;
}

// ----------------------------------------------------------------- motion

// Where an object is at `frame` (0-based); `scale` multiplies its size.
struct Key {
    int frame;
    double cx, cy;
    double scale = 1.0;
};

// Glides from key to key, at rest at every key (smoothstep: acceleration
// bounded by 6 D / T^2 for a distance D in T frames), holding still before
// the first key and after the last.  Two keys at the same place make a stop.
std::vector<Pose> glide(double w, double h, const std::vector<Key>& keys)
{
    std::vector<Pose> poses(kFrameCount);
    for (int f = 0; f < kFrameCount; ++f) {
        size_t k = 0;
        while (k + 1 < keys.size() && keys[k + 1].frame <= f)
            ++k;
        Key at = keys[k];
        if (k + 1 < keys.size() && f > keys[k].frame) {
            const Key& from = keys[k];
            const Key& to = keys[k + 1];
            const double u = static_cast<double>(f - from.frame) / (to.frame - from.frame);
            const double s = u * u * (3.0 - 2.0 * u);
            at = {f, from.cx + (to.cx - from.cx) * s, from.cy + (to.cy - from.cy) * s,
                  from.scale + (to.scale - from.scale) * s};
        }
        poses[f] = {at.cx, at.cy, w * at.scale, h * at.scale};
    }
    return poses;
}

// Straight runs at constant velocity inside `area` (which the whole box
// stays in), bouncing off its sides; every 15 to 45 frames the velocity is
// replaced at once by a new one of 0 to `maxSpeed` in any direction.
std::vector<Pose> bounce(cv::RNG& rng, double w, double h, const cv::Rect2d& area,
                         double maxSpeed)
{
    constexpr int kShortestRun = 15, kLongestRun = 45;
    const double loX = area.x + w / 2, hiX = area.x + area.width - w / 2;
    const double loY = area.y + h / 2, hiY = area.y + area.height - h / 2;
    double x = (loX + hiX) / 2, y = (loY + hiY) / 2, vx = 0, vy = 0;
    int nextChange = 0;
    std::vector<Pose> poses(kFrameCount);
    for (int f = 0; f < kFrameCount; ++f) {
        if (f == nextChange) {
            // Whole speeds 0..max, so that stops and top speed both occur.
            const double speed = rng.uniform(0, static_cast<int>(maxSpeed) + 1);
            const double angle = rng.uniform(0.0, 2.0 * CV_PI);
            vx = speed * std::cos(angle);
            vy = speed * std::sin(angle);
            nextChange += rng.uniform(kShortestRun, kLongestRun + 1);
        }
        poses[f] = {x, y, w, h};
        x += vx;
        y += vy;
        if (x < loX || x > hiX) {
            x = x < loX ? 2 * loX - x : 2 * hiX - x;
            vx = -vx;
        }
        if (y < loY || y > hiY) {
            y = y < loY ? 2 * loY - y : 2 * hiY - y;
            vy = -vy;
        }
    }
    return poses;
}

// ---------------------------------------------------------------- pictures

// Asphalt-like ground: per-pixel grain (mostly brightness, a little colour,
// as a real sensor sees grey) over soft darker and lighter blotches.
cv::Mat texturedBackground(cv::RNG& rng, const cv::Scalar& base, double grain,
                           double blotches)
{
    constexpr int kBlotchCell = 24;  // px: blotches are a few cells across
    constexpr double kChromaGrain = 0.3;  // colour grain relative to grain
    cv::Mat coarse(kFrameHeight / kBlotchCell + 2, kFrameWidth / kBlotchCell + 2, CV_32F);
    rng.fill(coarse, cv::RNG::NORMAL, 0.0, blotches);
    cv::Mat blotch;
    cv::resize(coarse, blotch, cv::Size(kFrameWidth, kFrameHeight), 0, 0, cv::INTER_CUBIC);
    cv::Mat luma(kFrameHeight, kFrameWidth, CV_32F);
    rng.fill(luma, cv::RNG::NORMAL, 0.0, grain);
    cv::Mat chroma(kFrameHeight, kFrameWidth, CV_32FC3);
    rng.fill(chroma, cv::RNG::NORMAL, 0.0, grain * kChromaGrain);
    cv::Mat ground(kFrameHeight, kFrameWidth, CV_8UC3);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const float shade = blotch.at<float>(y, x) + luma.at<float>(y, x);
            const cv::Vec3f c = chroma.at<cv::Vec3f>(y, x);
            cv::Vec3b& out = ground.at<cv::Vec3b>(y, x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(base[ch] + shade + c[ch]);
        }
    }
    return ground;
}

// A fixed surface texture per object (cloth, paint), zero mean, that moves
// and scales with it.
cv::Mat objectTexture(cv::RNG& rng)
{
    constexpr int kTextureSize = 16;
    constexpr double kTextureLevels = 7.0;  // grey levels, standard deviation
    cv::Mat t(kTextureSize, kTextureSize, CV_32F);
    rng.fill(t, cv::RNG::NORMAL, 0.0, kTextureLevels);
    return t;
}

void drawObject(cv::Mat& frame, const cv::Rect& box, const Look& look, const cv::Mat& texture)
{
    cv::Mat surface;
    cv::resize(texture, surface, box.size(), 0, 0, cv::INTER_LINEAR);
    const int topRows = box.height / 2;
    for (int y = 0; y < box.height; ++y) {
        const cv::Scalar& colour = y < topRows ? look.top : look.bottom;
        for (int x = 0; x < box.width; ++x) {
            cv::Vec3b& out = frame.at<cv::Vec3b>(box.y + y, box.x + x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(colour[ch] + surface.at<float>(y, x));
        }
    }
}

// Lighting, sensor noise and (optionally) a JPEG round trip on top of the
// composed picture.
cv::Mat camera(const cv::Mat& composed, double brightness, double noise, int jpegQuality,
               cv::RNG& rng)
{
    cv::Mat light;
    composed.convertTo(light, CV_32FC3, brightness);
    cv::Mat grain(light.size(), CV_32FC3);
    rng.fill(grain, cv::RNG::NORMAL, 0.0, noise);
    light += grain;
    cv::Mat frame;
    light.convertTo(frame, CV_8UC3);
    if (jpegQuality > 0) {
        std::vector<uchar> bytes;
        cv::imencode(".jpg", frame, bytes, {cv::IMWRITE_JPEG_QUALITY, jpegQuality});
        frame = cv::imdecode(bytes, cv::IMREAD_COLOR);
    }
    return frame;
}

cv::Scalar colourOfHue(int hue, int saturation, int value)
{
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(hue, saturation, value));
    cv::Mat bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return {static_cast<double>(c[0]), static_cast<double>(c[1]), static_cast<double>(c[2])};
}

cv::Scalar grey(int level) { return {double(level), double(level), double(level)}; }

// Smooth rise or fall from `from` at frame `start` to `to` at frame `end`.
double ease(int f, int start, int end, double from, double to)
{
    const double u = std::clamp(static_cast<double>(f - start) / (end - start), 0.0, 1.0);
    return from + (to - from) * (0.5 - 0.5 * std::cos(CV_PI * u));
}

// ------------------------------------------------------------------ scenes

Scene newScene(const std::string& name, uint64 seed)
{
    Scene s;
    s.name = name;
    s.rng = cv::RNG(seed);
    return s;
}

// Black, dark grey, white and two pale objects (hue means little there) and
// one red one.  Dark grey passes black and white passes pale beige, 5 px
// apart, going opposite ways.
Scene greyWorld()
{
    Scene s = newScene("grey-world", 0x67726579);
    s.background = texturedBackground(s.rng, grey(118), 11.0, 14.0);
    s.sensorNoise = 4.0;
    const cv::Scalar paleBeige(165, 188, 204), paleBlue(204, 190, 176), red(45, 50, 185);
    s.objects = {
        {plain(grey(72)), glide(22, 22, {{0, 40, 60}, {20, 40, 60}, {120, 200, 60},
                                         {140, 200, 60}, {180, 200, 110}, {220, 250, 110},
                                         {270, 250, 60}})},
        {plain(grey(20)), glide(20, 20, {{0, 230, 86}, {10, 230, 86}, {110, 70, 86},
                                         {150, 70, 86}, {210, 130, 100}, {280, 40, 100}})},
        {plain(grey(236)), glide(18, 24, {{0, 30, 150}, {30, 30, 150}, {150, 250, 150},
                                          {200, 280, 180}, {270, 200, 170}})},
        {plain(paleBeige), glide(24, 20, {{0, 270, 177}, {20, 270, 177}, {160, 50, 177},
                                          {210, 50, 130}, {260, 110, 130}})},
        {plain(red), glide(20, 20, {{0, 40, 215}, {70, 160, 215}, {100, 160, 215},
                                    {170, 280, 215}, {270, 100, 215}})},
        {plain(paleBlue), glide(22, 18, {{0, 280, 22}, {80, 160, 22}, {110, 160, 22},
                                         {180, 60, 30}, {280, 200, 25}})},
    };
    return s;
}

// Brightness: full for 40 frames, down to half over 100, held, back up over
// 100.  Per-pixel noise and JPEG at quality 25 on top.
Scene light()
{
    Scene s = newScene("light", 0x6c696768);
    s.background = texturedBackground(s.rng, cv::Scalar(120, 135, 150), 8.0, 10.0);
    s.sensorNoise = 4.0;
    s.jpegQuality = 25;
    constexpr int kFallStart = 40, kFallEnd = 140, kRiseStart = 160, kRiseEnd = 260;
    constexpr double kDimmest = 0.5;
    for (int f = 0; f < kFrameCount; ++f)
        s.brightness.push_back(f < kRiseStart ? ease(f, kFallStart, kFallEnd, 1.0, kDimmest)
                                              : ease(f, kRiseStart, kRiseEnd, kDimmest, 1.0));
    // Each object goes round its own quarter of the frame, with stops.
    s.objects = {
        {plain(colourOfHue(0, 210, 210)),
         glide(22, 22, {{0, 35, 35}, {60, 130, 35}, {80, 130, 35}, {130, 130, 95},
                        {190, 35, 95}, {250, 35, 35}})},
        {plain(colourOfHue(60, 190, 180)),
         glide(20, 20, {{0, 285, 35}, {20, 285, 35}, {90, 190, 40}, {150, 190, 100},
                        {170, 190, 100}, {240, 285, 95}, {290, 285, 40}})},
        {plain(grey(70)),
         glide(20, 24, {{0, 40, 200}, {50, 40, 150}, {120, 135, 150}, {140, 135, 150},
                        {200, 130, 205}, {280, 40, 200}})},
        {plain(grey(225)),
         glide(18, 22, {{0, 280, 200}, {70, 190, 205}, {100, 190, 205}, {160, 280, 150},
                        {230, 280, 205}})},
    };
    return s;
}

// Upright objects of two bands: dark over blue, blue over dark, red over
// dark, dark over red.  1 and 2 (the same two colours the other way up) cross
// in the middle of the frame around frame 110, 2 in front; 3 and 4 keep to
// the top and the bottom.
Scene twoTone()
{
    Scene s = newScene("two-tone", 0x74776f74);
    s.background = texturedBackground(s.rng, cv::Scalar(130, 140, 135), 6.0, 9.0);
    const cv::Scalar dark(48, 42, 40), blue(185, 90, 35), red(40, 45, 190);
    s.objects = {
        {{dark, blue}, glide(16, 28, {{0, 40, 110}, {20, 40, 110}, {200, 280, 125},
                                      {230, 280, 125}, {280, 240, 95}})},
        {{blue, dark}, glide(16, 28, {{0, 280, 130}, {20, 280, 130}, {200, 40, 115},
                                      {230, 40, 115}, {280, 80, 145}})},
        {{red, dark}, glide(16, 28, {{0, 40, 35}, {60, 150, 35}, {90, 150, 60},
                                     {170, 280, 40}, {280, 80, 40}})},
        {{dark, red}, glide(16, 28, {{0, 280, 205}, {70, 170, 205}, {100, 170, 180},
                                     {180, 40, 200}, {290, 230, 205}})},
    };
    s.meetings = {{1, 2, Closeness::kOverlapping}};
    return s;
}

// Three objects; each has three still patches of its own colour and about
// its size: one it runs over, two beside its path.
Scene clutter()
{
    Scene s = newScene("clutter", 0x636c7574);
    s.background = texturedBackground(s.rng, cv::Scalar(110, 122, 112), 5.0, 8.0);
    const cv::Scalar orange = colourOfHue(15, 220, 230);
    const cv::Scalar green = colourOfHue(60, 170, 180);
    const cv::Scalar blue = colourOfHue(110, 200, 200);
    s.objects = {
        {plain(orange), glide(20, 20, {{0, 40, 50}, {150, 270, 50}, {170, 270, 50},
                                       {210, 270, 120}, {280, 180, 120}})},
        {plain(green), glide(22, 18, {{0, 280, 190}, {140, 60, 190}, {170, 60, 190},
                                      {210, 60, 150}})},
        {plain(blue), glide(18, 22, {{0, 110, 90}, {60, 110, 150}, {90, 110, 150},
                                     {160, 150, 95}, {240, 110, 100}})},
    };
    s.patches = {
        {1, {140, 40, 20, 20}},   // on the way right
        {1, {192, 65, 19, 21}},   // just below the way right
        {1, {285, 85, 21, 19}},   // beside the way down
        {2, {160, 181, 22, 18}},  // on the way left
        {2, {200, 160, 21, 17}},  // just above the way left
        {2, {76, 140, 22, 19}},   // beside the way up
        {3, {124, 120, 18, 22}},  // beside the way down, on the way up
        {3, {135, 92, 18, 22}},   // on the way back
        {3, {124, 152, 17, 22}},  // right of the stop
    };
    return s;
}

// Four objects, each bouncing in its own quarter of the frame with
// velocities that change at once.
Scene fast()
{
    Scene s = newScene("fast", 0x66617374);
    s.background = texturedBackground(s.rng, grey(125), 7.0, 10.0);
    s.limits.maxSpeed = 4.0;
    s.limits.maxAcceleration = 0.0;
    s.limits.maxVelocityJump = 2 * s.limits.maxSpeed;
    constexpr double kMargin = 8;  // px around each quarter: quarters 16 px apart
    const double w = kFrameWidth / 2.0 - 2 * kMargin, h = kFrameHeight / 2.0 - 2 * kMargin;
    const cv::Scalar colours[] = {colourOfHue(28, 200, 230), colourOfHue(92, 200, 210),
                                  colourOfHue(150, 170, 200), grey(60)};
    for (int i = 0; i < 4; ++i) {
        const cv::Rect2d area(kMargin + (i % 2) * kFrameWidth / 2.0,
                              kMargin + (i / 2) * kFrameHeight / 2.0, w, h);
        s.objects.push_back({plain(colours[i]), bounce(s.rng, 20, 20, area, s.limits.maxSpeed)});
    }
    return s;
}

// Three objects in three columns; each in turn walks towards the camera
// (growing from 18 px to about 50 px and moving down) and back.
Scene approach()
{
    Scene s = newScene("approach", 0x61707072);
    s.background = texturedBackground(s.rng, cv::Scalar(125, 128, 120), 7.0, 10.0);
    s.limits.maxSide = 56;
    constexpr double kNear = 2.75;  // 18 px * 2.75 = 49.5 px
    s.objects = {
        {plain(colourOfHue(0, 200, 200)),
         glide(18, 20, {{0, 55, 40}, {20, 55, 40}, {120, 60, 150, kNear}, {140, 50, 150, kNear},
                        {240, 55, 50}, {290, 40, 120}})},
        {plain(colourOfHue(95, 190, 170)),
         glide(18, 20, {{0, 160, 200}, {20, 150, 200}, {90, 160, 80}, {190, 165, 140, kNear},
                        {210, 155, 140, kNear}, {299, 160, 60, 1.1}})},
        {plain(grey(215)),
         glide(18, 20, {{0, 270, 40}, {70, 262, 150}, {120, 270, 70}, {230, 265, 150, kNear},
                        {250, 270, 150, kNear}, {299, 270, 130, 2.0}})},
    };
    return s;
}

// Two neutral grey bars, 40 px wide, full height and width: one sweeps left
// to right, the other top to bottom, over four slowly wandering objects.
Scene occluded()
{
    Scene s = newScene("occluded", 0x6f63636c);
    s.background = texturedBackground(s.rng, cv::Scalar(100, 112, 118), 7.0, 10.0);
    s.occluderColour = grey(140);
    constexpr int kBarWidth = 40;
    constexpr double kAcrossStart = 10, kAcrossSpeed = 2.0;  // frame, px / frame
    constexpr double kDownStart = 150, kDownSpeed = 2.0;
    for (int f = 0; f < kFrameCount; ++f) {
        const int across = static_cast<int>(std::lround(-kBarWidth + kAcrossSpeed * (f - kAcrossStart)));
        const int down = static_cast<int>(std::lround(-kBarWidth + kDownSpeed * (f - kDownStart)));
        s.occluders.push_back({{std::max(across, -kBarWidth), 0, kBarWidth, kFrameHeight},
                               {0, std::max(down, -kBarWidth), kFrameWidth, kBarWidth}});
    }
    s.objects = {
        {plain(colourOfHue(0, 210, 200)),
         glide(20, 20, {{0, 60, 70}, {40, 60, 70}, {90, 95, 90}, {150, 60, 100}, {220, 80, 50}})},
        {plain(colourOfHue(110, 200, 200)),
         glide(20, 20, {{0, 130, 60}, {80, 130, 60}, {130, 150, 100}, {190, 120, 70},
                        {260, 140, 40}})},
        {plain(colourOfHue(28, 200, 220)),
         glide(20, 20, {{0, 200, 170}, {50, 230, 150}, {110, 190, 190}, {180, 220, 160},
                        {270, 190, 170}})},
        {plain(grey(230)),
         glide(20, 20, {{0, 270, 170}, {60, 270, 170}, {120, 280, 120}, {170, 250, 195}, {230, 270, 165}})},
    };
    return s;
}

// Five identical orange objects come in from a wide ring to a tight one
// around the centre, rest there side by side, and leave to a ring turned
// by half a step.
Scene converge()
{
    Scene s = newScene("converge", 0x636f6e76);
    s.background = texturedBackground(s.rng, grey(112), 6.0, 9.0);
    const cv::Scalar orange = colourOfHue(15, 210, 225);
    constexpr int kCount = 5;
    constexpr double kCx = 160, kCy = 120;
    constexpr double kWideX = 115, kWideY = 90, kTight = 21;
    for (int i = 0; i < kCount; ++i) {
        const double in = -CV_PI / 2 + 2 * CV_PI * i / kCount;
        const double out = in + CV_PI / kCount;
        const double bend = in + 0.35;  // they come in on a curve
        s.objects.push_back(
            {plain(orange),
             glide(20, 20, {{0, kCx + kWideX * std::cos(in), kCy + kWideY * std::sin(in)},
                            {20, kCx + kWideX * std::cos(in), kCy + kWideY * std::sin(in)},
                            {80, kCx + 0.55 * kWideX * std::cos(bend),
                             kCy + 0.55 * kWideY * std::sin(bend)},
                            {130, kCx + kTight * std::cos(in), kCy + kTight * std::sin(in)},
                            {150, kCx + kTight * std::cos(in), kCy + kTight * std::sin(in)},
                            {240, kCx + kWideX * std::cos(out), kCy + kWideY * std::sin(out)}})});
    }
    // Neighbours on the ring come close; the others may.
    for (int a = 1; a <= kCount; ++a)
        for (int b = a + 1; b <= kCount; ++b)
            s.meetings.push_back({a, b,
                                  b == a + 1 || (a == 1 && b == kCount) ? Closeness::kWithinCrossingGap
                                                                        : Closeness::kMay});
    return s;
}

struct SceneMaker {
    const char* name;
    std::function<Scene()> make;
};

const SceneMaker kScenes[] = {
    {"grey-world", greyWorld}, {"light", light},       {"two-tone", twoTone},
    {"clutter", clutter},      {"fast", fast},         {"approach", approach},
    {"occluded", occluded},    {"converge", converge},
};

// ----------------------------------------------------------------- checks

bool fail(const Scene& s, const char* what, int id, int f)
{
    std::fprintf(stderr, "make-scenes: %s: object %d %s on frame %d\n", s.name.c_str(), id, what,
                 f + 1);
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
        return fail(s, "hardly moves", id, kFrameCount - 1);
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
        return fail(s, "is never hidden", id, 0);
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

// ---------------------------------------------------------------- writing

bool writeText(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string groundTruth(const Scene& s)
{
    std::string text;
    char line[96];
    for (int f = 0; f < kFrameCount; ++f) {
        for (int id = 1; id <= static_cast<int>(s.objects.size()); ++id) {
            if (!inGroundTruth(s, id, f))
                continue;
            const cv::Rect b = boxOf(s.objects[id - 1].poses[f]);
            std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%d,1,-1,-1,-1\n", f + 1, id, b.x, b.y,
                          b.width, b.height);
            text += line;
        }
    }
    return text;
}

std::string crossings(const Scene& s)
{
    std::string text;
    char line[64];
    const int n = static_cast<int>(s.objects.size());
    for (int a = 1; a <= n; ++a) {
        for (int b = a + 1; b <= n; ++b) {
            int first = -1;
            for (int f = 0; f <= kFrameCount; ++f) {
                const bool close =
                    f < kFrameCount && boxGap(boxOf(s.objects[a - 1].poses[f]),
                                              boxOf(s.objects[b - 1].poses[f])) <= kCrossingGap;
                if (close && first < 0)
                    first = f;
                if (!close && first >= 0) {
                    std::snprintf(line, sizeof line, "%d,%d,%d,%d\n", a, b, first + 1, f);
                    text += line;
                    first = -1;
                }
            }
        }
    }
    return text;
}

std::string hidingEpisodes(const Scene& s)
{
    std::string text;
    char line[64];
    for (int id = 1; id <= static_cast<int>(s.objects.size()); ++id) {
        int first = -1;
        for (int f = 0; f <= kFrameCount; ++f) {
            const bool hidden = f < kFrameCount && !inGroundTruth(s, id, f);
            if (hidden && first < 0)
                first = f;
            if (!hidden && first >= 0) {
                std::snprintf(line, sizeof line, "%d,%d,%d\n", id, first + 1, f);
                text += line;
                first = -1;
            }
        }
    }
    return text;
}

bool writeVideo(Scene& s, const std::string& path)
{
    // OpenCV's own MJPG writer leaves the last 16 x 16 block of some frames
    // corrupt; FFmpeg's encoder does not.
    cv::VideoWriter writer;
    try {
        writer.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                    kFramesPerSecond, cv::Size(kFrameWidth, kFrameHeight));
    } catch (const cv::Exception& e) {
        std::fprintf(stderr, "make-scenes: %s\n", e.what());
    }
    if (!writer.isOpened())
        return false;
    std::vector<cv::Mat> textures;
    for (size_t i = 0; i < s.objects.size(); ++i)
        textures.push_back(objectTexture(s.rng));
    cv::Mat ground = s.background.clone();
    for (const Patch& patch : s.patches)
        drawObject(ground, patch.box, s.objects[patch.ownerId - 1].look, objectTexture(s.rng));
    cv::Mat composed;
    for (int f = 0; f < kFrameCount; ++f) {
        ground.copyTo(composed);
        for (size_t i = 0; i < s.objects.size(); ++i)
            drawObject(composed, boxOf(s.objects[i].poses[f]), s.objects[i].look, textures[i]);
        for (const cv::Rect& o : occludersOn(s, f))
            cv::rectangle(composed, o, s.occluderColour, cv::FILLED);
        const double brightness = s.brightness.empty() ? 1.0 : s.brightness[f];
        writer.write(camera(composed, brightness, s.sensorNoise, s.jpegQuality, s.rng));
    }
    writer.release();
    return true;
}

bool writeScene(Scene& s, const std::string& dir)
{
    const std::string base = dir + "/" + s.name;
    const auto cannot = [&](const std::string& path) {
        std::fprintf(stderr, "make-scenes: cannot write %s\n", path.c_str());
        return false;
    };
    if (!writeVideo(s, base + ".avi"))
        return cannot(base + ".avi");
    if (!writeText(base + ".gt.txt", groundTruth(s)))
        return cannot(base + ".gt.txt");
    if (!writeText(base + ".crossings.txt", crossings(s)))
        return cannot(base + ".crossings.txt");
    if (!s.occluders.empty() && !writeText(base + ".hidden.txt", hidingEpisodes(s)))
        return cannot(base + ".hidden.txt");
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: make-scenes OUTDIR [SCENE...]\nscenes:");
    for (const SceneMaker& m : kScenes)
        std::fprintf(stderr, " %s", m.name);
    std::fprintf(stderr, "\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string dir = argv[1];
    std::vector<const SceneMaker*> chosen;
    for (int i = 2; i < argc; ++i) {
        const SceneMaker* found = nullptr;
        for (const SceneMaker& m : kScenes)
            if (argv[i] == std::string(m.name))
                found = &m;
        if (!found) {
            std::fprintf(stderr, "make-scenes: no scene called %s\n", argv[i]);
            return usage();
        }
        chosen.push_back(found);
    }
    if (chosen.empty())
        for (const SceneMaker& m : kScenes)
            chosen.push_back(&m);

    std::error_code error;
    std::filesystem::create_directories(dir, error);
    // Every scene is checked before any file is written.
    std::vector<Scene> scenes;
    for (const SceneMaker* m : chosen) {
        scenes.push_back(m->make());
        if (!checkScene(scenes.back()))
            return 1;
    }
    for (Scene& s : scenes)
        if (!writeScene(s, dir))
            return 1;
    return 0;
}
