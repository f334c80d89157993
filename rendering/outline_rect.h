#pragma once

#include <opencv2/core/types_c.h>

#include <cstdint>

// An 8-bit three-channel image and a colour, resolved once for drawing many
// outlines into it.
class OutlineCanvas {
public:
    // Not usable for a null image or one of another pixel type.  Raises
    // OpenCV's error for something that is not an array, as cvGetMat does.
    OutlineCanvas(CvArr* image, CvScalar colour);
    bool usable() const { return data_ != nullptr; }
    // outlineRect's drawing, into the resolved image.
    void outline(int x0, int y0, int x1, int y1) const;

private:
    uint8_t* data_ = nullptr;
    int step_ = 0;
    int width_ = 0;
    int height_ = 0;
    // The colour's non-zero bytes: their channels and values.
    int channels_ = 0;
    int channel_[3] = {};
    uint8_t value_[3] = {};
};

// Outlines the rectangle with corners (x0, y0) and (x1, y1), inclusive and
// in either order, one pixel wide, by direct writes into an 8-bit
// three-channel image.  Only the colour's non-zero bytes are written.  A
// rectangle not wholly inside the image is not drawn at all.
void outlineRect(CvArr* image, int x0, int y0, int x1, int y1, CvScalar colour);
