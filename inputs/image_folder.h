#pragma once

// A folder of images read as a video: its image files in natural order
// (img2 before img10), one frame each, read one by one.

#include <opencv2/core.hpp>

#include <string>
#include <vector>

class ImageFolder {
public:
    // The image files of `folder` (by extension, see isImageName), in
    // natural order; none when it cannot be listed.
    explicit ImageFolder(const std::string& folder);

    bool empty() const { return files_.empty(); }
    int size() const { return static_cast<int>(files_.size()); }
    // Reads the next image as 8-bit BGR into `frame`; false at the end, and
    // false with `problem` set for a file that cannot be read as an image.
    bool read(cv::Mat& frame, std::string& problem);
    // Passes over the next image without reading it; false at the end.
    bool skip();

private:
    std::vector<std::string> files_;
    size_t next_ = 0;
};

// Whether a file name ends in an extension of an image format OpenCV reads
// (png, jpg, jpeg, bmp, tif, tiff, ppm, pgm, webp, ...; any case).
bool isImageName(const std::string& name);
