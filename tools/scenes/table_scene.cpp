#include "scenes/footage_scenes.h"
#include "scenes/motion.h"
#include "scenes/pictures.h"

#include <opencv2/core.hpp>

namespace scenes {

namespace {

// Shifts the wood's tone inside `region` from `from` towards `to`, keeping
// its grain: a board of another wood, a mat, a sheet of card.
void retint(cv::Mat& ground, const cv::Rect& region, const cv::Scalar& from, const cv::Scalar& to)
{
    cv::Mat part = ground(region & cv::Rect(0, 0, ground.cols, ground.rows));
    cv::add(part, to - from, part);  // saturating, either way
}

}  // namespace

// 640 x 480: a yellow box (lit top face over an ochre front face) about
// 300 x 230, pushed by hand over a brown wooden table, stops, turns by 20
// degrees and back; a straw mat left of it, a pale pine board along the
// table's near edge and a sheet of card on its right share the box's
// colours right beside it.  A dark mug and a red tin are moved at the
// table's right.  A lamp at the upper left: the light falls off to 0.7.
Scene lookAlikeBackground()
{
    Scene s;
    s.name = "look-alike-background";
    s.rng = cv::RNG(0x7461626c);
    s.frameSize = cv::Size(640, 480);
    s.sensorNoise = 4.0;
    s.limits.minSide = 40;
    s.limits.maxSide = 370;  // the turned box's bounding box
    s.limits.maxTurn = 1.0;
    const cv::Scalar wood(55, 100, 150);
    s.background = woodenTable(s.rng, wood, s.frameSize);
    const cv::Scalar straw = colourOfHue(24, 150, 205), pine = colourOfHue(22, 120, 190),
                     card = colourOfHue(19, 170, 170);
    retint(s.background, {0, 90, 46, 330}, wood, straw);       // 4 px left of the box
    retint(s.background, {0, 350, 640, 130}, wood, pine);      // 15 px below it, under the turn
    retint(s.background, {460, 180, 62, 140}, wood, card);     // 10 px right of it, under the turn
    constexpr double kLampX = 160, kLampY = 60, kFarLight = 0.7;
    s.falloff = lampFalloff({kLampX, kLampY}, kFarLight, s.frameSize);
    const Look box{colourOfHue(27, 210, 225), colourOfHue(20, 200, 165)};
    const Look mug{cv::Scalar(72, 52, 40), cv::Scalar(60, 44, 34)};
    s.objects = {
        {box, glide(300, 230, {{0, 200, 190}, {25, 200, 190}, {85, 300, 205}, {115, 300, 205},
                               {175, 330, 255, 1.0, 20}, {205, 330, 255, 1.0, 20},
                               {255, 250, 225, 1.0, 0}, {299, 235, 215}})},
        {mug, glide(52, 64, {{0, 570, 90}, {40, 570, 90}, {110, 590, 170}, {150, 590, 170},
                             {220, 565, 110}, {299, 575, 95}})},
        {plain(colourOfHue(176, 200, 170)),
         glide(46, 46, {{0, 580, 330}, {60, 565, 410}, {90, 565, 410}, {170, 600, 285},
                        {240, 570, 360}})},
    };
    return s;
}

}  // namespace scenes
