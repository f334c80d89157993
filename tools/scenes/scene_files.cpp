#include "scenes/scene_files.h"

#include "scenes/hand_held.h"
#include "scenes/pictures.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace scenes {

namespace {

bool writeText(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Objects 1..lastId.
std::string groundTruth(const Scene& s, int lastId)
{
    std::string text;
    char line[96];
    for (int f = 0; f < s.frames; ++f) {
        for (int id = 1; id <= lastId; ++id) {
            if (!inGroundTruth(s, id, f))
                continue;
            const cv::Rect b = visibleBox(s, id, f);
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
            for (int f = 0; f <= s.frames; ++f) {
                const bool close =
                    f < s.frames && boxGap(boxOf(s.objects[a - 1].poses[f]),
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

// id,firstFrame,lastFrame of each run of frames in which `away` holds.
template <typename Away>
std::string episodes(const Scene& s, Away away)
{
    std::string text;
    char line[64];
    for (int id = 1; id <= static_cast<int>(s.objects.size()); ++id) {
        int first = -1;
        for (int f = 0; f <= s.frames; ++f) {
            const bool hidden = f < s.frames && away(id, f);
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

// Object indices in the order they are drawn on frame f: by id, or from
// the farthest (box ending highest in the frame) to the nearest.
std::vector<size_t> drawingOrder(const Scene& s, int f)
{
    std::vector<size_t> order(s.objects.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (s.drawByDepth) {
        const auto bottom = [&](size_t i) { return boxOf(s.objects[i].poses[f]).br().y; };
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return bottom(a) < bottom(b); });
    }
    return order;
}

// The picture under a lamp whose light falls off: each pixel scaled.
cv::Mat lit(const cv::Mat& composed, const cv::Mat& falloff)
{
    cv::Mat factor, scaled;
    cv::merge(std::vector<cv::Mat>(3, falloff), factor);
    composed.convertTo(scaled, CV_32FC3);
    scaled = scaled.mul(factor);
    scaled.convertTo(scaled, CV_8UC3);
    return scaled;
}

bool writeVideo(Scene& s, const std::string& path)
{
    // OpenCV's own MJPG writer leaves the last 16 x 16 block of some frames
    // corrupt; FFmpeg's encoder does not.
    cv::VideoWriter writer;
    try {
        writer.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                    kFramesPerSecond, s.frameSize);
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
    for (int f = 0; f < s.frames; ++f) {
        if (s.views.empty())
            ground.copyTo(composed);
        else
            cv::warpAffine(ground, composed, imageFromBackground(s.views[f]),
                           s.frameSize, cv::INTER_LINEAR,
                           cv::BORDER_REFLECT_101);
        for (size_t i : drawingOrder(s, f)) {
            const Pose& pose = s.objects[i].poses[f];
            if (pose.angle != 0.0)
                drawTurnedObject(composed, pose, s.objects[i].look, textures[i]);
            else
                drawObject(composed, boxOf(pose), s.objects[i].look, textures[i]);
        }
        for (const cv::Rect& o : occludersOn(s, f))
            cv::rectangle(composed, o, s.occluderColour, cv::FILLED);
        if (!s.falloff.empty())
            composed = lit(composed, s.falloff);
        const double brightness = s.brightness.empty() ? 1.0 : s.brightness[f];
        writer.write(camera(composed, brightness, s.sensorNoise, s.jpegQuality, s.rng));
    }
    writer.release();
    return true;
}

}  // namespace

bool writeScene(Scene& s, const std::string& dir)
{
    const std::string base = dir + "/" + s.name;
    const auto cannot = [&](const std::string& path) {
        std::fprintf(stderr, "make-scenes: cannot write %s\n", path.c_str());
        return false;
    };
    if (!writeVideo(s, base + ".avi"))
        return cannot(base + ".avi");
    const int everyone = static_cast<int>(s.objects.size());
    if (!writeText(base + ".gt.txt", groundTruth(s, targetCount(s))))
        return cannot(base + ".gt.txt");
    if (s.targets > 0 && !writeText(base + ".all.txt", groundTruth(s, everyone)))
        return cannot(base + ".all.txt");
    if (!writeText(base + ".crossings.txt", crossings(s)))
        return cannot(base + ".crossings.txt");
    const auto hidden = [&](int id, int f) {
        return !visibleBox(s, id, f).empty() && !inGroundTruth(s, id, f);
    };
    if (!s.occluders.empty() && !writeText(base + ".hidden.txt", episodes(s, hidden)))
        return cannot(base + ".hidden.txt");
    const auto outside = [&](int id, int f) { return visibleBox(s, id, f).empty(); };
    if (s.mayLeaveFrame && !writeText(base + ".outside.txt", episodes(s, outside)))
        return cannot(base + ".outside.txt");
    return true;
}

}  // namespace scenes
