#include "replay/textured_scene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Frames of one full swing, there and back.
constexpr int kSwingPeriod = 80;
// Deviation of the texture before smoothing, and of the sensor noise
// (8-bit units): a ground of soft blotches, pixels that flicker a little.
constexpr double kTextureDeviation = 40.0;
constexpr double kNoiseDeviation = 4.0;
// Dull colours of clothes and ground: low saturation, middling brightness.
const cv::Scalar kGroundColour(105, 110, 118);
const cv::Scalar kDull[] = {{60, 50, 45},  {40, 45, 80},  {95, 85, 70},  {50, 70, 60},
                             {120, 110, 95}, {35, 35, 40}, {80, 60, 90},  {70, 95, 110}};

// A smooth random texture around `colour`, seeded by `seed`.
cv::Mat texture(cv::Size size, cv::Scalar colour, uint64_t seed, double blur)
{
    cv::Mat noise(size, CV_32FC3);
    cv::RNG rng(seed);
    rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(kTextureDeviation));
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), blur);
    cv::add(noise, colour, noise);
    cv::Mat picture;
    noise.convertTo(picture, CV_8UC3);  // the colour plus its texture, saturated to 0..255
    return picture;
}

}  // namespace

TexturedScene::TexturedScene(int frameWidth, int frameHeight, int count, int width, int height)
{
    ground_ = texture(cv::Size(frameWidth, frameHeight), kGroundColour, 7, 6.0);
    // The objects on a grid of cells, each in the middle of its own.
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count * double(frameWidth) / frameHeight))));
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        const int cellWidth = frameWidth / columns, cellHeight = frameHeight / rows;
        const int x = (i % columns) * cellWidth + (cellWidth - width) / 2;
        const int y = (i / columns) * cellHeight + (cellHeight - height) / 2;
        const int n = static_cast<int>(sizeof kDull / sizeof kDull[0]);
        TexturedObject o{Box{x, y, width, height}, kDull[i % n], kDull[(i * 3 + 1) % n], width / 10, height / 10};
        objects_.push_back(o);
        cv::Mat look(height, width, CV_8UC3);
        const int upper = height / 2;
        texture(cv::Size(width, upper), o.upper, 100 + i, 2.0).copyTo(look.rowRange(0, upper));
        texture(cv::Size(width, height - upper), o.lower, 200 + i, 2.0).copyTo(look.rowRange(upper, height));
        looks_.push_back(look);
    }
}

cv::Mat TexturedScene::frameAt(int f) const
{
    cv::Mat frame = ground_.clone();
    const std::vector<cv::Rect> boxes = boxesAt(f);
    for (size_t i = 0; i < objects_.size(); ++i) {
        const cv::Rect& at = boxes[i];
        const cv::Rect inside = at & cv::Rect(0, 0, frame.cols, frame.rows);
        if (inside.area() > 0)
            looks_[i](cv::Rect(inside.x - at.x, inside.y - at.y, inside.width, inside.height)).copyTo(frame(inside));
    }
    cv::Mat noise(frame.size(), CV_16SC3);
    cv::RNG rng(1000 + static_cast<uint64_t>(f));
    rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(kNoiseDeviation));
    cv::Mat noisy;
    frame.convertTo(noisy, CV_16SC3);
    cv::add(noisy, noise, noisy);
    noisy.convertTo(frame, CV_8UC3);
    return frame;
}

std::vector<cv::Rect> TexturedScene::boxesAt(int f) const
{
    const double phase = std::sin(2.0 * CV_PI * f / kSwingPeriod);
    std::vector<cv::Rect> boxes;
    for (const TexturedObject& o : objects_)
        boxes.emplace_back(o.home.x + static_cast<int>(std::lround(o.swingX * phase)),
                           o.home.y + static_cast<int>(std::lround(o.swingY * phase)), o.home.width, o.home.height);
    return boxes;
}

std::vector<Box> TexturedScene::startBoxes() const
{
    std::vector<Box> boxes;
    for (const TexturedObject& o : objects_)
        boxes.push_back(o.home);
    return boxes;
}
