#include "rendering/outline_rect.h"

#include <opencv2/core/core_c.h>

#include <algorithm>
#include <cstddef>

OutlineCanvas::OutlineCanvas(CvArr* image, CvScalar colour)
{
    if (!image)
        return;
    CvMat header;
    CvMat* mat = cvGetMat(image, &header, nullptr, 0);
    // Pixels are written as three bytes each: anything else is not ours to
    // draw into.
    if (CV_MAT_TYPE(mat->type) != CV_8UC3)
        return;
    uint8_t bytes[4 * sizeof(double)] = {};
    cvScalarToRawData(&colour, bytes, mat->type, 0);
    uchar* data = nullptr;
    CvSize size;
    cvGetRawData(mat, &data, &step_, &size);
    data_ = data;
    width_ = size.width;
    height_ = size.height;
    for (int c = 0; c < 3; ++c)
        if (bytes[c] != 0) {
            channel_[channels_] = c;
            value_[channels_++] = bytes[c];
        }
}

void OutlineCanvas::outline(int x0, int y0, int x1, int y1) const
{
    if (!data_)
        return;
    const int xmin = std::min(x0, x1), xmax = std::max(x0, x1);
    const int ymin = std::min(y0, y1), ymax = std::max(y0, y1);
    if (xmin < 0 || xmax > width_ - 1 || ymin < 0 || ymax > height_ - 1)
        return;

    auto set = [this](uint8_t* pixel) {
        for (int k = 0; k < channels_; ++k)
            pixel[channel_[k]] = value_[k];
    };
    uint8_t* top = data_ + static_cast<ptrdiff_t>(ymin) * step_;
    uint8_t* bottom = data_ + static_cast<ptrdiff_t>(ymax) * step_;
    for (int x = xmin; x <= xmax; ++x) {
        set(top + 3 * x);
        set(bottom + 3 * x);
    }
    for (int y = ymin + 1; y < ymax; ++y) {
        uint8_t* row = data_ + static_cast<ptrdiff_t>(y) * step_;
        set(row + 3 * xmin);
        set(row + 3 * xmax);
    }
}

void outlineRect(CvArr* image, int x0, int y0, int x1, int y1, CvScalar colour)
{
    OutlineCanvas(image, colour).outline(x0, y0, x1, y1);
}
