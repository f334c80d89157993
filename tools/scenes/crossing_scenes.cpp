#include "scenes/footage_scenes.h"
#include "scenes/motion.h"
#include "scenes/pictures.h"

#include <string>

namespace scenes {

namespace {

// Every pair may meet; the listed ones must overlap at least once.
void everyoneMayMeet(Scene& s, const std::vector<std::pair<int, int>>& overlapping)
{
    const int n = static_cast<int>(s.objects.size());
    for (int a = 1; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b) {
            Closeness c = Closeness::kMay;
            for (const auto& [x, y] : overlapping)
                if ((x == a && y == b) || (x == b && y == a))
                    c = Closeness::kOverlapping;
            s.meetings.push_back({a, b, c});
        }
}

}  // namespace

// Five small objects (16 to 22 px; orange, yellow, red, cyan, white) cross
// each other's paths; four larger things of other colours (blue, green,
// purple, dark grey; 24 to 40 px, ids 6 to 9, not targets) move across the
// frame in front of them, over them and between them.
Scene crossingOccluders()
{
    Scene s;
    s.name = "crossing-occluders";
    s.rng = cv::RNG(0x6f63636c75);
    s.background = texturedBackground(s.rng, cv::Scalar(118, 122, 116), 7.0, 10.0);
    s.limits.minSide = 16;
    s.limits.maxSide = 40;
    s.targets = 5;
    s.objects = {
        {plain(colourOfHue(15, 210, 225)),
         glide(18, 18, {{0, 30, 40}, {15, 30, 40}, {175, 290, 200}, {190, 290, 200}, {290, 150, 210}})},
        {plain(colourOfHue(30, 200, 220)),
         glide(20, 20, {{0, 290, 40}, {15, 290, 40}, {175, 30, 200}, {190, 30, 200}, {290, 40, 110}})},
        {plain(colourOfHue(175, 190, 200)),
         glide(16, 22, {{0, 40, 120}, {20, 40, 120}, {150, 280, 130}, {180, 280, 130}, {299, 70, 140}})},
        {plain(colourOfHue(90, 170, 200)),
         glide(22, 16, {{0, 160, 20}, {40, 160, 20}, {170, 170, 220}, {200, 170, 220}, {290, 250, 120}})},
        {plain(grey(225)),
         glide(16, 16, {{0, 80, 200}, {60, 120, 170}, {120, 60, 80}, {180, 110, 60}, {250, 80, 190},
                        {295, 70, 200}})},
        // The moving things.
        {plain(colourOfHue(115, 180, 170)), glide(36, 36, {{0, 300, 90}, {150, 30, 110}, {299, 280, 160}})},
        {plain(colourOfHue(65, 170, 150)),
         glide(24, 40, {{0, 120, 25}, {120, 110, 215}, {150, 110, 215}, {290, 220, 30}})},
        {plain(colourOfHue(140, 140, 150)), glide(32, 32, {{0, 230, 200}, {140, 60, 50}, {299, 230, 70}})},
        {plain(grey(70)), glide(40, 28, {{0, 60, 160}, {130, 260, 70}, {299, 150, 150}})},
    };
    everyoneMayMeet(s, {{1, 2}});
    return s;
}

// People (two-band figures: top and trousers) at three depths, 34 to 84 px
// tall, walking at a shallow angle with a bob at every step: a pale and a
// dark one cross (the pale one in front); two in pale clothes, alike, come
// together and walk side by side 3 px apart, then part; two dressed alike
// cross far off; a dark passer-by walks with the dark target as a group,
// and a pale one walks through the pale pair.  Nearer people are drawn in
// front; the ground truth keeps each person's id and whole box while hidden.
Scene peopleCrossing()
{
    Scene s;
    s.name = "people-crossing";
    s.rng = cv::RNG(0x70656f70);
    s.background = texturedBackground(s.rng, cv::Scalar(138, 142, 146), 8.0, 12.0);
    s.drawByDepth = true;
    s.targets = 6;
    s.limits.minSide = 12;
    s.limits.maxSide = 90;
    constexpr double kBob = 0.02, kStride = 0.5;  // of the height
    const auto person = [&](const Look& look, double w, double h, const std::vector<Key>& keys) {
        SceneObject p{look, glide(w, h, keys)};
        addGait(p.poses, kBob, kStride);
        return p;
    };
    const cv::Scalar navy(80, 42, 32), black = grey(30), charcoal(54, 52, 50), paleGrey = grey(190),
                     white = grey(225), beige(150, 170, 185), lightGrey = grey(170), darkGrey = grey(72);
    constexpr double kFarW = 14, kFarH = 34, kMidW = 22, kMidH = 54, kNearW = 34, kNearH = 84;
    s.objects = {
        person({paleGrey, navy}, kMidW, kMidH, {{0, 45, 98}, {10, 45, 98}, {290, 295, 128}}),
        person({black, charcoal}, kMidW, kMidH, {{0, 295, 118}, {280, 25, 96}}),
        person({white, beige}, kNearW, kNearH,
               {{0, 30, 176}, {100, 130, 176}, {200, 230, 176}, {220, 230, 176}, {299, 150, 178}}),
        person({white, lightGrey}, kNearW, kNearH, {{0, 85, 168}, {100, 167, 170}, {200, 267, 170}, {260, 285, 168}}),
        person({navy, darkGrey}, kFarW, kFarH, {{0, 18, 78}, {60, 18, 78}, {290, 300, 84}}),
        person({navy, darkGrey}, kFarW, kFarH, {{0, 300, 66}, {260, 20, 80}}),
        // Passers-by: a dark one with 2, a pale one through 3 and 4.
        person({black, charcoal}, 20, 50, {{0, 262, 106}, {280, 40, 104}}),
        person({white, beige}, kNearW, kNearH, {{0, 290, 196}, {30, 290, 196}, {230, 40, 194}}),
    };
    everyoneMayMeet(s, {{1, 2}, {5, 6}});
    for (Meeting& m : s.meetings)
        if (m.a == 3 && m.b == 4)
            m.closeness = Closeness::kBeside;
    return s;
}

}  // namespace scenes
