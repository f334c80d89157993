// make-demo-video: writes the demo video TAVO_DEMO.avi and its ground truth.
//
//   make-demo-video OUTPUT.avi [GT.txt]
//
// Nine solid 18 x 18 squares move on a grey background for 500 frames
// (320 x 320, 25 fps, Motion JPEG in AVI).  On the first frame they sit
// exactly on the demo's nine initial target rectangles.  Four pairs share a
// hue; each pair comes within a few pixels, travels side by side or passes
// itself by, and never overlaps, so that a tracker that lets close targets
// settle on the same object loses one of them.  The ninth square has a hue
// of its own.
//
// The ground truth is in MOTChallenge format, one line per object and frame:
// frame (from 1), id (1..9, the order of the demo's targets), x, y, width,
// height, 1, -1, -1, -1.  Without GT.txt it goes next to the video, with the
// extension replaced by ".gt.txt".  Everything is computed, nothing drawn
// at random: the same command writes the same ground truth.

#include "core/demo_scenario.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kFrameSize = 320;
constexpr int kFrameCount = 500;
constexpr double kFramesPerSecond = 25.0;
constexpr int kObjectSize = 18;
const cv::Scalar kBackground(150, 150, 150);

// Limits the choreography is checked against: the tracker's motion model
// expects gentle accelerations and moderate speeds.
constexpr double kMaxSpeed = 2.0;          // px / frame
constexpr double kMaxAcceleration = 0.12;  // px / frame^2
constexpr int kMinGap = 2;                 // px between any two squares

// Hue (OpenCV's 8-bit scale) of each object, ids 1..9.  The pairs (1, 9),
// (3, 4), (5, 6) and (7, 8) share a hue; 2 is alone.  All hues stay clear
// of 0 (grey has hue 0) and of 179 (not counted by the colour model).
constexpr std::array<int, kDemoTargetCount> kHues = {20, 90, 60, 60, 110, 110, 140, 140, 20};

// One move of one object: between frames `start` and `end` (0-based) it
// glides from where it rests to the top-left corner (x, y), starting and
// stopping smoothly.  Moves of an object are listed in time order.
struct Move {
    int id;
    int start, end;
    int x, y;
};

// clang-format off
const Move kMoves[] = {
    // Orange pair (1, 9): close up side by side, rise together, drift right,
    // then pass each other, one row just above the other.
    {9,  40, 110, 100, 240}, {1,  40, 110, 122, 240},
    {9, 120, 200, 100, 180}, {1, 120, 200, 122, 180},
    {9, 210, 280, 150, 180}, {1, 210, 280, 172, 180},
    {1, 290, 330, 172, 202},
    {9, 340, 440, 222, 180}, {1, 340, 440, 100, 202},
    // Cyan loner (2): a tour of the empty bottom-right corner.
    {2,  60, 150, 250, 290}, {2, 170, 260, 295, 230}, {2, 280, 380, 216, 231},
    // Green pair (3, 4): step apart sideways, pass each other vertically,
    // pass back, and go home.
    {3,  20,  80, 272, 157}, {4,  20,  80, 249,  74},
    {3, 100, 200, 272,  74}, {4, 100, 200, 249, 157},
    {3, 230, 330, 272, 157}, {4, 230, 330, 249,  74},
    {3, 350, 420, 259, 157}, {4, 350, 420, 244,  74},
    // Blue pair (5, 6): close up, then travel side by side down, left and
    // up again before parting.
    {6,  30, 100, 133,  19}, {5,  30, 100, 154,  19},
    {6, 110, 190, 133,  99}, {5, 110, 190, 154,  99},
    {6, 200, 270,  83,  99}, {5, 200, 270, 104,  99},
    {6, 280, 350,  83,  19}, {5, 280, 350, 104,  19},
    {6, 360, 430,  94,  19}, {5, 360, 430, 178,  19},
    // Violet pair (7, 8): one stacked on the other, they travel right and
    // down together and then return home.
    {7,  30, 100,  20, 136}, {8,  30, 100,  20, 157},
    {7, 120, 200,  80, 136}, {8, 120, 200,  80, 157},
    {7, 210, 290,  80, 186}, {8, 210, 290,  80, 207},
    {7, 300, 400,  28,  74}, {8, 300, 400,  13, 157},
};
// clang-format on

struct Point {
    double x, y;
};

// Where object `id` (1..9) is on frame f (0-based), in sub-pixel precision.
Point objectPosition(int id, int f)
{
    const Box& home = kDemoTargets[id - 1];
    Point p{static_cast<double>(home.x), static_cast<double>(home.y)};
    for (const Move& m : kMoves) {
        if (m.id != id)
            continue;
        if (f >= m.end) {
            p = {static_cast<double>(m.x), static_cast<double>(m.y)};
            continue;
        }
        if (f > m.start) {
            // Smoothstep: at rest at both ends, constant acceleration
            // bounded by 6 D / T^2 for a distance D in T frames.
            const double u = static_cast<double>(f - m.start) / (m.end - m.start);
            const double s = u * u * (3.0 - 2.0 * u);
            p = {p.x + (m.x - p.x) * s, p.y + (m.y - p.y) * s};
        }
        break;
    }
    return p;
}

// The square is drawn on whole pixels: the ground truth box is exactly the
// drawn one.
cv::Rect objectBox(int id, int f)
{
    const Point p = objectPosition(id, f);
    return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)), kObjectSize,
            kObjectSize};
}

// Pixels between two boxes along the axis that separates them; negative
// when they overlap.
int boxGap(const cv::Rect& a, const cv::Rect& b)
{
    const int gapX = std::max(a.x - (b.x + b.width), b.x - (a.x + a.width));
    const int gapY = std::max(a.y - (b.y + b.height), b.y - (a.y + a.height));
    return std::max(gapX, gapY);
}

// Verifies the choreography: moves in time order, speeds and accelerations
// within the limits, every square inside the frame and apart from the
// others.  Prints the first violation and returns false.
bool checkChoreography()
{
    for (int id = 1; id <= kDemoTargetCount; ++id) {
        int lastEnd = 0;
        for (const Move& m : kMoves) {
            if (m.id != id)
                continue;
            if (m.start < lastEnd || m.end <= m.start || m.end >= kFrameCount) {
                std::fprintf(stderr,
                             "make-demo-video: move of object %d at frame %d is out of order\n",
                             id, m.start);
                return false;
            }
            lastEnd = m.end;
        }
        for (int f = 1; f + 1 < kFrameCount; ++f) {
            const Point a = objectPosition(id, f - 1);
            const Point b = objectPosition(id, f);
            const Point c = objectPosition(id, f + 1);
            const double speed = std::hypot(b.x - a.x, b.y - a.y);
            const double acceleration = std::hypot(c.x - 2 * b.x + a.x, c.y - 2 * b.y + a.y);
            if (speed > kMaxSpeed || acceleration > kMaxAcceleration) {
                std::fprintf(stderr,
                             "make-demo-video: object %d too fast on frame %d "
                             "(%.2f px/frame, %.3f px/frame^2)\n",
                             id, f + 1, speed, acceleration);
                return false;
            }
        }
    }
    const cv::Rect frame(0, 0, kFrameSize, kFrameSize);
    for (int f = 0; f < kFrameCount; ++f) {
        for (int a = 1; a <= kDemoTargetCount; ++a) {
            const cv::Rect boxA = objectBox(a, f);
            if ((boxA & frame) != boxA) {
                std::fprintf(stderr, "make-demo-video: object %d leaves the frame on frame %d\n", a,
                             f + 1);
                return false;
            }
            for (int b = a + 1; b <= kDemoTargetCount; ++b) {
                if (boxGap(boxA, objectBox(b, f)) < kMinGap) {
                    std::fprintf(stderr,
                                 "make-demo-video: objects %d and %d collide on frame %d\n", a, b,
                                 f + 1);
                    return false;
                }
            }
        }
    }
    return true;
}

cv::Scalar colourOfHue(int hue)
{
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(hue, 255, 230));
    cv::Mat bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return {static_cast<double>(c[0]), static_cast<double>(c[1]), static_cast<double>(c[2])};
}

std::string defaultTruthPath(const std::string& videoPath)
{
    const size_t slash = videoPath.find_last_of('/');
    const size_t dot = videoPath.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? videoPath.substr(0, dot) : videoPath) + ".gt.txt";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-demo-video OUTPUT.avi [GT.txt]\n");
        return 1;
    }
    const std::string videoPath = argv[1];
    const std::string truthPath = argc == 3 ? argv[2] : defaultTruthPath(videoPath);

    if (!checkChoreography())
        return 1;

    // OpenCV's own MJPG writer leaves the last 16 x 16 block of some frames
    // corrupt; FFmpeg's encoder does not.
    cv::VideoWriter writer;
    try {
        writer.open(videoPath, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                    kFramesPerSecond, cv::Size(kFrameSize, kFrameSize));
    } catch (const cv::Exception& e) {
        std::fprintf(stderr, "make-demo-video: %s\n", e.what());
    }
    if (!writer.isOpened()) {
        std::fprintf(stderr, "make-demo-video: cannot write the video %s\n", videoPath.c_str());
        return 1;
    }
    std::FILE* truth = std::fopen(truthPath.c_str(), "w");
    if (!truth) {
        std::fprintf(stderr, "make-demo-video: cannot write the ground truth %s\n",
                     truthPath.c_str());
        return 1;
    }

    std::array<cv::Scalar, kDemoTargetCount> colours;
    for (int i = 0; i < kDemoTargetCount; ++i)
        colours[i] = colourOfHue(kHues[i]);

    cv::Mat frame(kFrameSize, kFrameSize, CV_8UC3);
    for (int f = 0; f < kFrameCount; ++f) {
        frame.setTo(kBackground);
        for (int id = 1; id <= kDemoTargetCount; ++id) {
            const cv::Rect box = objectBox(id, f);
            cv::rectangle(frame, box, colours[id - 1], cv::FILLED);
            std::fprintf(truth, "%d,%d,%d,%d,%d,%d,1,-1,-1,-1\n", f + 1, id, box.x, box.y,
                         box.width, box.height);
        }
        writer.write(frame);
    }
    writer.release();
    if (std::fclose(truth) != 0) {
        std::fprintf(stderr, "make-demo-video: cannot write the ground truth %s\n",
                     truthPath.c_str());
        return 1;
    }
    return 0;
}
