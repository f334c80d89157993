// scene-choreography-test: the choreography check accepts every scene of
// the catalogue and a plain valid scene, and refuses each kind of broken
// choreography it is there to catch.  Prints every failure; exit status 1 if
// there was one.

#include "scenes/catalogue.h"
#include "scenes/choreography.h"
#include "scenes/motion.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace scenes;

int failures = 0;

void expect(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}

const Look kRed = plain(cv::Scalar(40, 40, 200));

// Three 20 x 20 objects, each gliding 100 px along its own row and back.
Scene validScene()
{
    Scene s;
    s.name = "test";
    for (int row = 0; row < 3; ++row) {
        const double y = 40 + 70 * row;
        s.objects.push_back({kRed, glide(20, 20, {{0, 40, y}, {100, 140, y}, {200, 40, y}})});
    }
    return s;
}

void refused(Scene s, const std::string& what)
{
    std::fprintf(stderr, "(expecting a refusal: %s)\n", what.c_str());
    expect(!checkScene(s), what + " is accepted");
}

}  // namespace

int main()
{
    for (const SceneMaker& m : sceneCatalogue())
        expect(checkScene(m.make()), std::string("scene ") + m.name + " is refused");
    expect(checkScene(validScene()), "a valid scene is refused");

    Scene s = validScene();
    s.objects.pop_back();
    refused(s, "two objects");

    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {40, 140, 40}});
    refused(s, "3.75 px/frame at the top");

    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {200, 315, 40}});
    refused(s, "a box leaving the frame");

    s = validScene();
    s.objects[0].poses = glide(14, 14, {{0, 40, 40}, {100, 140, 40}});
    refused(s, "a 14 px object");

    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {100, 140, 40}});
    s.objects[0].poses[150].cx += 2;
    refused(s, "a 2 px jump in a smooth scene");

    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {100, 40, 40}});
    refused(s, "an object that never moves");

    // Object 1 comes down to 3 px above object 2.
    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {100, 140, 87}, {200, 40, 40}});
    refused(s, "two objects closer than 5 px that are not meant to meet");
    s.meetings = {{1, 2, Closeness::kOverlapping}};
    refused(s, "a crossing without overlap");
    s.meetings = {{1, 2, Closeness::kWithinCrossingGap}};
    expect(checkScene(s), "a declared meeting within 4 px is refused");
    s.meetings = {{1, 2, Closeness::kMay}, {1, 3, Closeness::kWithinCrossingGap}};
    refused(s, "a declared meeting that never happens");

    s = validScene();
    s.objects[1].poses = glide(20, 20, {{0, 40, 62}, {100, 140, 110}, {200, 40, 110}});
    s.meetings = {{1, 2, Closeness::kMay}};
    refused(s, "objects too close on frame 1, even when they may meet");

    s = validScene();
    s.patches = {{1, {200, 200, 20, 20}}};
    refused(s, "a look-alike patch far from its owner's path");
    s.patches = {{1, {45, 30, 20, 20}}};
    refused(s, "a look-alike patch under its owner on frame 1");

    // A 40 px bar standing over column 140 from frame 0: it covers object
    // 1's turning point, and the other objects' too.
    s = validScene();
    s.occluders.assign(kFrameCount, {cv::Rect(120, 0, 40, kFrameHeight)});
    refused(s, "a hiding episode of about 50 frames");
    s.occluders.assign(kFrameCount, {cv::Rect(20, 0, 40, kFrameHeight)});
    refused(s, "objects hidden on frame 1");
    s.occluders.assign(kFrameCount, {});
    refused(s, "occluders that never hide anything");

    // Objects that may leave the frame: each must leave wholly and come back.
    s = validScene();
    s.mayLeaveFrame = true;
    refused(s, "an exit scene whose objects never leave");
    for (int i = 0; i < 3; ++i)
        s.objects[i].poses = glide(20, 20, {{0, 40, 40.0 + 70 * i}, {40, -20, 40.0 + 70 * i},
                                            {70, -20, 40.0 + 70 * i}, {110, 40, 40.0 + 70 * i}});
    expect(checkScene(s), "objects that leave and come back are refused");
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {40, -20, 40}});
    refused(s, "an object that leaves and never comes back");

    s = validScene();
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {100, 140, 40, 1.0, 90}});
    refused(s, "an object turning where the scene allows no turns");
    s.limits.maxTurn = 4.0;
    expect(checkScene(s), "a turn of 1.4 degrees per frame is refused");
    s.objects[0].poses = glide(20, 20, {{0, 40, 40}, {20, 140, 40, 1.0, 90}});
    refused(s, "a turn of 6.75 degrees per frame");

    s = validScene();
    s.limits.minWait = 100;
    refused(s, "objects that never wait where the scene wants waits");

    // A larger frame: objects may use all of it, and only it; the light's
    // falloff must cover it.
    s = validScene();
    s.objects[2].poses = glide(20, 20, {{0, 40, 400}, {200, 300, 400}});
    refused(s, "an object beyond the usual frame");
    s.frameSize = cv::Size(640, 480);
    expect(checkScene(s), "an object inside a larger frame is refused");
    s.objects[2].poses = glide(20, 20, {{0, 40, 400}, {100, 40, 480}});
    refused(s, "an object leaving a larger frame");
    s = validScene();
    s.frameSize = cv::Size(640, 480);
    s.falloff = cv::Mat(kFrameHeight, kFrameWidth, CV_32F, cv::Scalar(1));
    refused(s, "a light falloff smaller than the frame");

    return failures == 0 ? 0 : 1;
}
