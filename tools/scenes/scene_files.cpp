#include "scenes/scene_files.h"

#include "scenes/pictures.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

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
    if (!writeText(base + ".gt.txt", groundTruth(s)))
        return cannot(base + ".gt.txt");
    if (!writeText(base + ".crossings.txt", crossings(s)))
        return cannot(base + ".crossings.txt");
    if (!s.occluders.empty() && !writeText(base + ".hidden.txt", hidingEpisodes(s)))
        return cannot(base + ".hidden.txt");
    return true;
}

}  // namespace scenes
