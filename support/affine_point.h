#pragma once

// Where a 2x3 affine transform (as cv::warpAffine takes it) puts a point:
// the camera's step moving a point of the frame before into this one, and
// whatever moves with the camera (samples, first boxes).

#include <opencv2/core.hpp>

inline cv::Point2d moved(const cv::Matx23d& t, cv::Point2d p)
{
    return {t(0, 0) * p.x + t(0, 1) * p.y + t(0, 2), t(1, 0) * p.x + t(1, 1) * p.y + t(1, 2)};
}
