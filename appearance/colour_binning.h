#pragma once

// Colour bins that tell grey, black and white apart by brightness: a pixel
// with enough saturation and brightness for its hue to mean something goes
// into one of hueBins x saturationBins joint bins, every other pixel into
// one of valueBins brightness bins after them.

#include <opencv2/core/types_c.h>

class WorkerPool;

#include <cstdint>

struct ColourBinning {
    int hueBins = 10;
    int saturationBins = 10;
    int valueBins = 10;
    // Below either threshold (of 255) a pixel's hue is noise: 0.1 and 0.2 of
    // the range, as in the colour-based particle-filter literature.
    int minSaturation = 26;
    int minValue = 51;

    int binCount() const { return hueBins * saturationBins + valueBins; }
};

// The most bins an 8-bit bin plane can name.
constexpr int kMaxColourBins = 255;

// Whether the binning can be used: every count at least 1, the thresholds
// in 0..255, at most kMaxColourBins bins in all.
bool validBinning(const ColourBinning& binning);

// The bin of one pixel of OpenCV's 8-bit HSV (hue 0..179, saturation and
// value 0..255).  A pixel at a threshold counts as coloured.
int colourBin(int hue, int saturation, int value, const ColourBinning& binning);

// Writes every pixel's bin of an 8-bit three-channel HSV matrix into an
// 8-bit one-channel matrix of the same size, through lookup tables made
// once.
class ColourBinner {
public:
    explicit ColourBinner(const ColourBinning& binning);
    const ColourBinning& binning() const { return binning_; }
    // `valueGain` scales every pixel's brightness (capped at 255) before it
    // is binned and compared with minValue: a light change of the whole
    // frame undone.  With `workers`, bands of rows are binned on its threads.
    void binPlane(const CvMat* hsv, CvMat* bins, double valueGain = 1.0, WorkerPool* workers = nullptr);
    // The same for the pixels of `area` alone (inside the plane).
    void binArea(const CvMat* hsv, CvMat* bins, CvRect area, double valueGain = 1.0);

private:
    void setGain(double valueGain);
    void binRows(const CvMat* hsv, CvMat* bins, int first, int end) const { binRows(hsv, bins, first, end, 0, hsv->cols); }
    // Columns [left, right) of rows [first, end).
    void binRows(const CvMat* hsv, CvMat* bins, int first, int end, int left, int right) const;

    ColourBinning binning_;
    uint8_t hueBin_[256];         // hue -> hue bin
    uint8_t saturationBin_[256];  // saturation -> saturation bin, from minSaturation up
    uint8_t valueBin_[256];       // value -> brightness bin
    uint8_t scaledValue_[256];    // value -> value times the gain of the last binPlane
    double lastGain_ = 1.0;
};
