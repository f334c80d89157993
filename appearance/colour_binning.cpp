#include "appearance/colour_binning.h"

#include "support/row_bands.h"

#include <algorithm>
#include <cmath>

namespace {

// OpenCV's 8-bit hue: degrees halved, 0..179.
constexpr int kHueRange = 180;

int hueBinOf(int hue, const ColourBinning& b) { return std::min(hue, kHueRange - 1) * b.hueBins / kHueRange; }

int saturationBinOf(int saturation, const ColourBinning& b)
{
    // The coloured pixels' saturations, minSaturation .. 255, in equal parts.
    return (saturation - b.minSaturation) * b.saturationBins / (256 - b.minSaturation);
}

int valueBinOf(int value, const ColourBinning& b) { return value * b.valueBins / 256; }

}  // namespace

bool validBinning(const ColourBinning& b)
{
    if (b.hueBins < 1 || b.saturationBins < 1 || b.valueBins < 1)
        return false;
    if (b.minSaturation < 0 || b.minSaturation > 255 || b.minValue < 0 || b.minValue > 255)
        return false;
    return static_cast<long>(b.hueBins) * b.saturationBins + b.valueBins <= kMaxColourBins;
}

int colourBin(int hue, int saturation, int value, const ColourBinning& b)
{
    if (saturation >= b.minSaturation && value >= b.minValue)
        return hueBinOf(hue, b) * b.saturationBins + saturationBinOf(saturation, b);
    return b.hueBins * b.saturationBins + valueBinOf(value, b);
}

ColourBinner::ColourBinner(const ColourBinning& binning) : binning_(binning)
{
    for (int i = 0; i < 256; ++i) {
        hueBin_[i] = static_cast<uint8_t>(hueBinOf(i, binning_));
        saturationBin_[i] = static_cast<uint8_t>(i >= binning_.minSaturation ? saturationBinOf(i, binning_) : 0);
        valueBin_[i] = static_cast<uint8_t>(valueBinOf(i, binning_));
        scaledValue_[i] = static_cast<uint8_t>(i);
    }
}

void ColourBinner::setGain(double valueGain)
{
    if (valueGain != lastGain_) {
        for (int i = 0; i < 256; ++i)
            scaledValue_[i] = static_cast<uint8_t>(std::min(255L, std::lround(i * valueGain)));
        lastGain_ = valueGain;
    }
}

void ColourBinner::binPlane(const CvMat* hsv, CvMat* bins, double valueGain, WorkerPool* workers)
{
    setGain(valueGain);
    forRowBands(workers, hsv->rows, hsv->cols, [&](int, int first, int end) { binRows(hsv, bins, first, end); });
}

void ColourBinner::binArea(const CvMat* hsv, CvMat* bins, CvRect area, double valueGain)
{
    setGain(valueGain);
    binRows(hsv, bins, area.y, area.y + area.height, area.x, area.x + area.width);
}

void ColourBinner::binRows(const CvMat* hsv, CvMat* bins, int first, int end, int left, int right) const
{
    // Locals: the bytes written could alias the members, which would then
    // be read again for every pixel.
    const int greyFirst = binning_.hueBins * binning_.saturationBins;
    const int saturationBins = binning_.saturationBins;
    const int minSaturation = binning_.minSaturation, minValue = binning_.minValue;
    const uint8_t* hueBin = hueBin_;
    const uint8_t* saturationBin = saturationBin_;
    const uint8_t* valueBin = valueBin_;
    const uint8_t* scaledValue = scaledValue_;
    for (int r = first; r < end; ++r) {
        const uint8_t* p = hsv->data.ptr + static_cast<ptrdiff_t>(r) * hsv->step + 3 * left;
        uint8_t* out = bins->data.ptr + static_cast<ptrdiff_t>(r) * bins->step;
        for (int c = left; c < right; ++c, p += 3) {
            const int h = p[0], s = p[1], v = scaledValue[p[2]];
            out[c] = s >= minSaturation && v >= minValue
                         ? static_cast<uint8_t>(hueBin[h] * saturationBins + saturationBin[s])
                         : static_cast<uint8_t>(greyFirst + valueBin[v]);
        }
    }
}
