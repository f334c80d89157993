#include "scenes/catalogue.h"

#include "scenes/footage_scenes.h"
#include "scenes/hand_held.h"
#include "scenes/motion.h"
#include "scenes/pictures.h"

#include <cmath>
#include <string>

namespace scenes {

namespace {

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
// in the middle of the frame, 2 in front: their boxes are within 4 px or
// overlap on frames 106 to 116.  3 and 4 keep to the top and the bottom.
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
// by half a step.  Neighbours are within 4 px (at closest 0 to 4 px, no
// overlap) from about frame 116 to 170: 1-2 116..170, 1-5 123..161,
// 2-3 125..158 and 161, 3-4 130..153, 4-5 125..157.
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


// People in dark, dull clothes on a pale pavement: four targets and six
// passers-by (ids 5..10), four of whom are dressed like a target.  They walk
// in all directions, stop for a while and pass each other; each target is
// passed by someone in front of it.
Scene crowd()
{
    Scene s = newScene("crowd", 0x63726f77);
    s.background = texturedBackground(s.rng, cv::Scalar(142, 146, 150), 8.0, 12.0);
    s.limits.maxSide = 40;
    s.targets = 4;
    constexpr double kWide = 16, kTall = 36;
    const cv::Scalar navy(80, 42, 32), darkGrey = grey(72), brown(42, 58, 88), black = grey(28),
                     charcoal(54, 52, 50);
    const auto person = [&](const Look& look, const std::vector<Key>& keys) {
        return SceneObject{look, glide(kWide, kTall, keys)};
    };
    s.objects = {
        person({navy, darkGrey}, {{0, 30, 70}, {140, 250, 80}, {190, 250, 80}, {290, 150, 190}}),
        person({black, charcoal}, {{0, 290, 160}, {130, 90, 150}, {170, 90, 150}, {260, 60, 60}}),
        person({brown, black}, {{0, 160, 40}, {20, 160, 40}, {150, 175, 200}, {200, 175, 200},
                                {290, 300, 120}}),
        person({charcoal, navy}, {{0, 100, 200}, {40, 100, 200}, {140, 285, 205}, {170, 285, 205},
                                  {290, 280, 40}}),
        // Passers-by: the first four dressed like targets 1 to 4.
        person({navy, darkGrey}, {{0, 290, 40}, {150, 40, 100}, {180, 40, 100}, {280, 200, 120}}),
        person({black, charcoal}, {{0, 30, 140}, {160, 290, 140}, {280, 240, 60}}),
        person({brown, black}, {{0, 230, 205}, {110, 230, 205}, {260, 40, 190}}),
        person({charcoal, navy}, {{0, 60, 205}, {30, 60, 205}, {150, 290, 212}, {180, 290, 212},
                                  {280, 200, 212}}),
        person({darkGrey, darkGrey}, {{0, 120, 120}, {60, 120, 120}, {180, 300, 60},
                                      {290, 200, 215}}),
        person({black, black}, {{0, 200, 120}, {120, 60, 130}, {260, 150, 60}}),
    };
    // Each target is passed by a passer-by dressed like it; anyone may meet.
    const int n = static_cast<int>(s.objects.size());
    for (int a = 1; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b)
            s.meetings.push_back({a, b, b == a + s.targets ? Closeness::kOverlapping : Closeness::kMay});
    return s;
}

// Objects that walk to a place, stand there for 110 to 250 frames and walk
// on: two reds side by side touching, two blues 3 px apart, a grey alone.
// 450 frames.
Scene waiting()
{
    Scene s = newScene("waiting", 0x77616974);
    s.frames = 450;
    s.background = texturedBackground(s.rng, cv::Scalar(118, 124, 120), 7.0, 10.0);
    s.limits.minWait = 100;
    const cv::Scalar red = colourOfHue(0, 190, 190), blue = colourOfHue(110, 180, 180);
    const auto walker = [&](const cv::Scalar& colour, const std::vector<Key>& keys) {
        return SceneObject{plain(colour), glide(20, 20, keys, s.frames)};
    };
    s.objects = {
        walker(red, {{0, 40, 50}, {60, 150, 60}, {260, 150, 60}, {350, 280, 40}}),
        // 2 stands right of 1, touching it (box gap 0).
        walker(red, {{0, 280, 130}, {90, 170, 60}, {200, 170, 60}, {300, 250, 200}}),
        walker(blue, {{0, 40, 190}, {80, 120, 150}, {330, 120, 150}, {420, 40, 100}}),
        // 4 stands right of 3, 3 px apart.
        walker(blue, {{0, 300, 215}, {120, 143, 150}, {250, 143, 150}, {340, 290, 170}}),
        walker(grey(200), {{0, 40, 110}, {30, 40, 110}, {130, 230, 100}, {240, 230, 100}, {340, 300, 110}}),
    };
    s.meetings = {{1, 2, Closeness::kBeside}, {3, 4, Closeness::kBeside}};
    return s;
}

// A hand-held camera follows four objects over a larger textured ground:
// it pans (up to 4 px/frame), zooms in to 1.1 and out to 0.9 and shakes,
// hard in three stretches; the picture moves by up to 10 px per frame.
Scene handHeld()
{
    Scene s = newScene("hand-held", 0x68616e64);
    const cv::Size ground(560, 420);
    s.background = texturedBackground(s.rng, cv::Scalar(112, 126, 132), 9.0, 14.0, ground);
    s.limits.maxSpeed = 14.0;  // walking plus camera
    s.limits.maxAcceleration = 0.0;
    s.limits.maxVelocityJump = 12.0;  // shake
    cv::RNG shake(0x7368616b);
    s.views = handHeldViews(shake,
                            {{0, 280, 200}, {40, 280, 200}, {70, 350, 200}, {100, 350, 200},
                             {160, 350, 200, 1.1}, {180, 350, 200, 1.1}, {210, 290, 240, 1.1},
                             {220, 290, 240, 1.1}, {290, 290, 240, 0.9}},
                            {{20, 60}, {150, 200}, {250, 280}}, s.frames);
    const auto onGround = [&](const cv::Scalar& colour, double w, double h,
                              const std::vector<Key>& keys) {
        SceneObject o{plain(colour), glide(w, h, keys)};
        for (int f = 0; f < s.frames; ++f)
            o.poses[f] = seenThrough(s.views[f], o.poses[f]);
        return o;
    };
    s.objects = {
        onGround(colourOfHue(0, 200, 190), 20, 22,
                 {{0, 230, 170}, {30, 230, 170}, {80, 300, 170}, {200, 330, 230}, {280, 260, 250}}),
        onGround(colourOfHue(110, 190, 180), 20, 22,
                 {{0, 380, 240}, {100, 380, 240}, {200, 330, 285}, {280, 380, 280}}),
        onGround(colourOfHue(28, 200, 220), 22, 20,
                 {{0, 200, 250}, {120, 260, 210}, {200, 250, 200}, {290, 220, 160}}),
        onGround(grey(60), 20, 20, {{0, 300, 140}, {90, 380, 150}, {250, 320, 170}}),
    };
    return s;
}

// Elongated things tipping over and righting themselves: a green bottle
// falls flat (90 degrees) and later stands up again, a red cup rocks to 45
// degrees and back, a blue box turns a quarter the other way, a yellow
// bottle leans 30 degrees either way; all while moving.
Scene tilt()
{
    Scene s = newScene("tilt", 0x74696c74);
    s.background = texturedBackground(s.rng, grey(172), 6.0, 9.0);
    s.limits.minSide = 10;
    s.limits.maxSide = 40;
    s.limits.maxTurn = 4.0;
    s.objects = {
        {plain(colourOfHue(60, 200, 140)),
         glide(12, 36, {{0, 50, 80}, {50, 70, 80}, {90, 70, 90, 1.0, 90}, {150, 130, 90, 1.0, 90},
                        {200, 130, 90, 1.0, 90}, {240, 120, 80, 1.0, 0}, {290, 60, 70}})},
        {plain(colourOfHue(0, 210, 150)),
         glide(20, 24, {{0, 190, 50}, {40, 230, 50}, {70, 230, 55, 1.0, 45}, {110, 240, 60, 1.0, 0},
                        {150, 270, 60, 1.0, 45}, {190, 260, 50, 1.0, 0}, {260, 190, 50}})},
        {plain(colourOfHue(115, 200, 150)),
         glide(24, 32, {{0, 250, 170}, {100, 250, 170}, {160, 230, 190, 1.0, -90},
                        {220, 200, 190, 1.0, -90}, {280, 250, 160, 1.0, 0}})},
        {plain(colourOfHue(28, 210, 170)),
         glide(14, 34, {{0, 90, 190}, {60, 150, 190, 1.0, 30}, {120, 190, 185, 1.0, -30},
                        {180, 150, 190, 1.0, 30}, {240, 100, 190, 1.0, 0}})},
    };
    return s;
}

// Targets that walk out of the frame and come back: red leaves on the left
// and comes back there, green leaves on the right and comes back through
// the top, blue leaves through the bottom and comes back there further
// left, white half leaves on the right, comes back, then leaves wholly and
// returns on the right.
Scene exitScene()
{
    Scene s = newScene("exit", 0x65786974);
    s.background = texturedBackground(s.rng, cv::Scalar(110, 118, 124), 7.0, 10.0);
    s.mayLeaveFrame = true;
    s.objects = {
        {plain(colourOfHue(0, 200, 190)),
         glide(20, 20, {{0, 60, 60}, {20, 60, 60}, {70, -20, 70}, {100, -20, 70}, {150, 50, 110},
                        {230, 90, 100}})},
        {plain(colourOfHue(60, 180, 170)),
         glide(20, 20, {{0, 260, 60}, {80, 340, 40}, {120, 330, -20}, {200, 250, 70},
                        {270, 200, 120}})},
        {plain(colourOfHue(110, 190, 190)),
         glide(20, 20, {{0, 160, 200}, {60, 170, 260}, {90, 170, 260}, {160, 100, 190},
                        {240, 60, 170}})},
        {plain(grey(225)),
         glide(20, 20, {{0, 260, 170}, {80, 315, 170}, {130, 250, 150}, {200, 345, 180},
                        {230, 345, 180}, {280, 280, 200}})},
    };
    return s;
}

}  // namespace

const std::vector<SceneMaker>& sceneCatalogue()
{
    static const std::vector<SceneMaker> catalogue = {
        {"grey-world", greyWorld}, {"light", light},       {"two-tone", twoTone},
        {"clutter", clutter},      {"fast", fast},         {"approach", approach},
        {"occluded", occluded},    {"converge", converge},
        {"crowd", crowd},          {"waiting", waiting},   {"hand-held", handHeld},
        {"tilt", tilt},            {"exit", exitScene},
        {"look-alike-background", lookAlikeBackground},
        {"crossing-occluders", crossingOccluders},
        {"people-crossing", peopleCrossing},
    };
    return catalogue;
}

}  // namespace scenes
