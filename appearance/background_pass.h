#pragma once

// The background model's pass over a frame's pixels: the background scaled
// by the light gain, each pixel compared with it, the foreground and its
// two integrals written, and the pixels outside the held areas learnt.

#include <opencv2/core.hpp>

class WorkerPool;

struct BackgroundPass {
    const cv::Mat* image;       // 8-bit BGR frame
    cv::Mat* background;        // CV_32FC3, scaled and learnt in place
    cv::Mat* known;             // CV_8U: 255 where the background has been seen; learnt pixels set
    const cv::Mat* learn;       // CV_8U: 255 where the frame's pixels are learnt
    cv::Mat* foreground;        // CV_8U, written: 255 where moved or unknown
    cv::Mat* integral;          // CV_32S (rows + 1) x (cols + 1): pixels the ring counts
    cv::Mat* unknownIntegral;   // CV_32S (rows + 1) x (cols + 1): the other unknown pixels
    const float* gain;          // per channel
    float threshold;
    float rate;
    bool stillUnknownCounts;
    double* sums;               // per channel, the learnt background's sums, written
    // Scratch of a row's length per band of rows (see backgroundPassBands):
    // each pixel's largest channel difference.
    float* differences;
    // Non-null: the background is kept in its own light, `gain` being the
    // current light over it (per channel), and this its inverse.  It is
    // compared scaled by the gain without being rewritten, and learnt in
    // its own light, so that a pass may cover a part of the frame alone.
    const float* inverseGain = nullptr;
};

// The bands of rows a pass over a rows x cols frame makes with `workers` (null: one).
int backgroundPassBands(const WorkerPool* workers, int rows, int cols);

// The images of `pass` are allocated to the frame's size by the caller,
// the integrals' first row and column included.  The pass reads each
// frame pixel once; the sums are added in pixel order, as one loop would.
// With `workers`, bands of rows are compared and learnt on its threads;
// the results are the same, bit for bit.
void runBackgroundPass(const BackgroundPass& pass, WorkerPool* workers = nullptr);

// Adds the pixels of a CV_32FC3 background (or a view of one) to the
// per-channel sums, row after row, pixel after pixel.
void addBackgroundSums(const cv::Mat& background, double* sums);

// Learns an 8-bit BGR frame's pixels where `learn` says into a background
// kept in its own light (as a pass with `inverseGain` does, without
// comparing), at `rate`; the learnt pixels become known, and what they
// changed is added to `change`, per channel.  Views of one part of the
// frame may be given.
void learnInOwnLight(const cv::Mat& image, cv::Mat& background, cv::Mat& known, const cv::Mat& learn,
                     const float* inverseGain, float rate, double* change);

namespace literal {
// The pass as first written, one pixel at a time: the reference the
// exactness tests compare with.
void runBackgroundPass(const BackgroundPass& pass);
}  // namespace literal
