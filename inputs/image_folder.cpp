#include "inputs/image_folder.h"

#include "inputs/natural_order.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The extensions of the image formats OpenCV's image reader knows.
const char* const kImageExtensions[] = {"bmp", "dib", "jpeg", "jpg", "jpe", "jp2", "png", "webp", "pbm", "pgm",
                                        "ppm", "pxm", "pnm", "sr",  "ras", "tiff", "tif", "exr", "hdr", "pic"};

std::string lowerCase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

}  // namespace

bool isImageName(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string ext = lowerCase(name.substr(dot + 1));
    return std::any_of(std::begin(kImageExtensions), std::end(kImageExtensions),
                       [&](const char* known) { return ext == known; });
}

ImageFolder::ImageFolder(const std::string& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name[0] != '.' && isImageName(name) && it->is_regular_file(ec))
            files_.push_back(name);
    }
    std::sort(files_.begin(), files_.end(), naturalLess);
    for (std::string& name : files_)
        name = (fs::path(folder) / name).string();
}

bool ImageFolder::read(cv::Mat& frame, std::string& problem)
{
    if (next_ >= files_.size())
        return false;
    const std::string& file = files_[next_++];
    frame = cv::imread(file, cv::IMREAD_COLOR);
    if (frame.empty()) {
        problem = "cannot read the image '" + file + "'";
        return false;
    }
    return true;
}

bool ImageFolder::skip()
{
    if (next_ >= files_.size())
        return false;
    ++next_;
    return true;
}
