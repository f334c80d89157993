#include "appearance/background_pass.h"

#include "support/row_bands.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Four mask bytes widened to 32-bit lanes.  (OpenCV's v_load_expand_q
// reads them as one int from any address, which is undefined behaviour.)
inline cv::v_uint32x4 fourMaskBytes(const uchar* p) { return cv::v_uint32x4(p[0], p[1], p[2], p[3]); }

// Scales one pixel's background by the gain, returns its difference from
// the frame's pixel, and learns the pixel where `learn` says.
inline float scaleCompareLearn(const uint8_t* f, float* b, const float* gain, bool isKnown, bool learn, float rate,
                               float keep)
{
    float difference = 0.0f;
    for (int c = 0; c < 3; ++c) {
        b[c] *= gain[c];
        difference = std::max(difference, std::fabs(static_cast<float>(f[c]) - b[c]));
    }
    if (learn)
        for (int c = 0; c < 3; ++c)
            b[c] = isKnown ? static_cast<float>(f[c]) * rate + b[c] * keep : static_cast<float>(f[c]);
    return difference;
}

// The same for a background kept in its own light: compared scaled by the
// gain, left as it is, and learnt in its own light (the frame scaled by
// the inverse gain).
inline float compareLearnInOwnLight(const uint8_t* f, float* b, const float* gain, const float* inverse, bool isKnown,
                                    bool learn, float rate, float keep)
{
    float difference = 0.0f;
    for (int c = 0; c < 3; ++c)
        difference = std::max(difference, std::fabs(static_cast<float>(f[c]) - b[c] * gain[c]));
    if (learn)
        for (int c = 0; c < 3; ++c) {
            const float own = static_cast<float>(f[c]) * inverse[c];
            b[c] = isKnown ? own * rate + b[c] * keep : own;
        }
    return difference;
}

#if CV_SIMD128
// The per-pixel arithmetic of 16 pixels from x on, four lanes at a time,
// each lane's operations those of scaleCompareLearn (or, kept in its own
// light, compareLearnInOwnLight) in the same order.
template <bool kOwnLight>
void scaleCompareLearn16(const BackgroundPass& p, int y, int x, float* difference)
{
    const uint8_t* f = p.image->ptr<uint8_t>(y) + 3 * x;
    float* b = p.background->ptr<float>(y) + 3 * x;
    const uint8_t* known = p.known->ptr<uint8_t>(y) + x;
    const uint8_t* learn = p.learn->ptr<uint8_t>(y) + x;
    cv::v_uint8x16 bytes[3];
    cv::v_load_deinterleave(f, bytes[0], bytes[1], bytes[2]);
    cv::v_uint32x4 quarters[3][4];
    for (int c = 0; c < 3; ++c) {
        cv::v_uint16x8 low, high;
        cv::v_expand(bytes[c], low, high);
        cv::v_expand(low, quarters[c][0], quarters[c][1]);
        cv::v_expand(high, quarters[c][2], quarters[c][3]);
    }
    const cv::v_float32x4 rate = cv::v_setall_f32(p.rate), keep = cv::v_setall_f32(1.0f - p.rate);
    const cv::v_float32x4 gain[3] = {cv::v_setall_f32(p.gain[0]), cv::v_setall_f32(p.gain[1]),
                                     cv::v_setall_f32(p.gain[2])};
    const float* inverse = kOwnLight ? p.inverseGain : p.gain;
    const cv::v_float32x4 inverseGain[3] = {cv::v_setall_f32(inverse[0]), cv::v_setall_f32(inverse[1]),
                                            cv::v_setall_f32(inverse[2])};
    const cv::v_uint32x4 zero = cv::v_setzero_u32();
    for (int q = 0; q < 4; ++q) {
        cv::v_float32x4 frame[3], back[3];
        cv::v_load_deinterleave(b + 12 * q, back[0], back[1], back[2]);
        cv::v_float32x4 most = cv::v_setzero_f32();
        for (int c = 0; c < 3; ++c) {
            frame[c] = cv::v_cvt_f32(cv::v_reinterpret_as_s32(quarters[c][q]));
            if (kOwnLight) {
                most = cv::v_max(most, cv::v_abs(frame[c] - back[c] * gain[c]));
                frame[c] = frame[c] * inverseGain[c];
            } else {
                back[c] = back[c] * gain[c];
                most = cv::v_max(most, cv::v_abs(frame[c] - back[c]));
            }
        }
        cv::v_store(difference + x + 4 * q, most);
        const cv::v_float32x4 isKnown = cv::v_reinterpret_as_f32(fourMaskBytes(known + 4 * q) != zero);
        const cv::v_float32x4 learnt = cv::v_reinterpret_as_f32(fourMaskBytes(learn + 4 * q) != zero);
        for (int c = 0; c < 3; ++c) {
            const cv::v_float32x4 followed = frame[c] * rate + back[c] * keep;
            back[c] = cv::v_select(learnt, cv::v_select(isKnown, followed, frame[c]), back[c]);
        }
        cv::v_store_interleave(b + 12 * q, back[0], back[1], back[2]);
    }
}
constexpr int kVectorPixels = 16;
#endif

// Every pixel's arithmetic of row y: the background scaled and learnt, the
// differences into `difference`.
template <bool kOwnLight>
void scaleCompareLearnRow(const BackgroundPass& p, int y, float* difference)
{
    const int cols = p.image->cols;
    int x = 0;
#if CV_SIMD128
    for (; x + kVectorPixels <= cols; x += kVectorPixels)
        scaleCompareLearn16<kOwnLight>(p, y, x, difference);
#endif
    const uint8_t* f = p.image->ptr<uint8_t>(y);
    float* b = p.background->ptr<float>(y);
    const uint8_t* known = p.known->ptr<uint8_t>(y);
    const uint8_t* learn = p.learn->ptr<uint8_t>(y);
    const float keep = 1.0f - p.rate;
    for (; x < cols; ++x)
        difference[x] = kOwnLight ? compareLearnInOwnLight(f + 3 * x, b + 3 * x, p.gain, p.inverseGain, known[x] != 0,
                                                           learn[x] != 0, p.rate, keep)
                                  : scaleCompareLearn(f + 3 * x, b + 3 * x, p.gain, known[x] != 0, learn[x] != 0,
                                                      p.rate, keep);
}

void scaleCompareLearnRow(const BackgroundPass& p, int y, float* difference)
{
    if (p.inverseGain)
        scaleCompareLearnRow<true>(p, y, difference);
    else
        scaleCompareLearnRow<false>(p, y, difference);
}

// The rows classifyRow reads and writes.
struct ClassifiedRow {
    uint8_t* known;
    const uint8_t* learn;
    uint8_t* moving;
    const int* movedAbove;
    const int* unknownAbove;
    int* movedHere;
    int* unknownHere;
};

// classifyRow's work for pixel x, the row's counts so far carried along.
inline void classifyPixel(const BackgroundPass& p, const ClassifiedRow& r, const float* difference, int x,
                          int& movedInRow, int& unknownInRow)
{
    const bool isKnown = r.known[x] != 0;
    const bool above = difference[x] > p.threshold;
    const bool moved = isKnown && above;
    const bool stillUnknown = p.stillUnknownCounts && !isKnown && !above;
    movedInRow += moved || stillUnknown;
    unknownInRow += !isKnown && !stillUnknown;
    r.movedHere[x + 1] = r.movedAbove[x + 1] + movedInRow;
    r.unknownHere[x + 1] = r.unknownAbove[x + 1] + unknownInRow;
    r.moving[x] = moved || !isKnown ? 255 : 0;
    r.known[x] = r.learn[x] ? 255 : r.known[x];
}

#if CV_SIMD128
// Lane i: the sum of lanes 0 .. i.
inline cv::v_int32x4 runningSums(cv::v_int32x4 v)
{
    v = v + cv::v_rotate_left<1>(v);
    return v + cv::v_rotate_left<2>(v);
}

// classifyPixel for the 16 pixels from x on, four lanes at a time: the
// same flags, and whole-number counts added up in another order.
void classify16(const BackgroundPass& p, const ClassifiedRow& r, const float* difference, int x, int& movedInRow,
                int& unknownInRow)
{
    const cv::v_uint32x4 zero = cv::v_setzero_u32(), one = cv::v_setall_u32(1);
    const cv::v_uint32x4 countStill = cv::v_setall_u32(p.stillUnknownCounts ? ~0u : 0u);
    const cv::v_float32x4 threshold = cv::v_setall_f32(p.threshold);
    cv::v_uint32x4 moving[4];
    for (int q = 0; q < 4; ++q) {
        const int at = x + 4 * q;
        const cv::v_uint32x4 isKnown = fourMaskBytes(r.known + at) != zero;
        const cv::v_uint32x4 above = cv::v_reinterpret_as_u32(cv::v_load(difference + at) > threshold);
        const cv::v_uint32x4 moved = isKnown & above;
        const cv::v_uint32x4 stillUnknown = countStill & ~isKnown & ~above;
        const cv::v_int32x4 movedCounts = runningSums(cv::v_reinterpret_as_s32((moved | stillUnknown) & one));
        const cv::v_int32x4 unknownCounts = runningSums(cv::v_reinterpret_as_s32(~isKnown & ~stillUnknown & one));
        cv::v_store(r.movedHere + at + 1,
                    cv::v_load(r.movedAbove + at + 1) + movedCounts + cv::v_setall_s32(movedInRow));
        cv::v_store(r.unknownHere + at + 1,
                    cv::v_load(r.unknownAbove + at + 1) + unknownCounts + cv::v_setall_s32(unknownInRow));
        movedInRow += cv::v_extract_n<3>(movedCounts);
        unknownInRow += cv::v_extract_n<3>(unknownCounts);
        moving[q] = moved | ~isKnown;
    }
    // All-ones lanes pack to 255 bytes.
    cv::v_store(r.moving + x, cv::v_pack(cv::v_pack(moving[0], moving[1]), cv::v_pack(moving[2], moving[3])));
    const cv::v_uint8x16 known = cv::v_load(r.known + x);
    const cv::v_uint8x16 learnt = cv::v_load(r.learn + x) != cv::v_setzero_u8();
    cv::v_store(r.known + x, cv::v_select(learnt, cv::v_setall_u8(255), known));
}
#endif

// Row y's foreground and integrals from its differences, the integrals
// counted from row `top` down; the learnt pixels become known.
void classifyRow(const BackgroundPass& p, int y, const float* difference, int top)
{
    // The integrals' row 0 is all 0.
    const ClassifiedRow r{p.known->ptr<uint8_t>(y),         p.learn->ptr<uint8_t>(y),
                          p.foreground->ptr<uint8_t>(y),    p.integral->ptr<int>(y == top ? 0 : y),
                          p.unknownIntegral->ptr<int>(y == top ? 0 : y), p.integral->ptr<int>(y + 1),
                          p.unknownIntegral->ptr<int>(y + 1)};
    r.movedHere[0] = r.unknownHere[0] = 0;
    int movedInRow = 0, unknownInRow = 0;
    const int cols = p.image->cols;
    int x = 0;
#if CV_SIMD128
    for (; x + kVectorPixels <= cols; x += kVectorPixels)
        classify16(p, r, difference, x, movedInRow, unknownInRow);
#endif
    for (; x < cols; ++x)
        classifyPixel(p, r, difference, x, movedInRow, unknownInRow);
}

// Adds a row of `cols` background pixels to the sums, pixel after pixel.
void addRow(const float* b, int cols, double* sums)
{
    double s0 = sums[0], s1 = sums[1], s2 = sums[2];
    for (int x = 0; x < cols; ++x, b += 3) {
        s0 += b[0];
        s1 += b[1];
        s2 += b[2];
    }
    sums[0] = s0;
    sums[1] = s1;
    sums[2] = s2;
}

// Adds row y's background to the sums.
void addRow(const BackgroundPass& p, int y, double* sums) { addRow(p.background->ptr<float>(y), p.image->cols, sums); }

// to[x] += from[x] for the n counts.
void addCounts(int* to, const int* from, int n)
{
    int x = 0;
#if CV_SIMD128
    for (; x + 4 <= n; x += 4)
        cv::v_store(to + x, cv::v_load(to + x) + cv::v_load(from + x));
#endif
    for (; x < n; ++x)
        to[x] += from[x];
}

// The first band's rows against each other band's: its thread also adds
// each of its rows to the sums, which costs about a sixth as much as
// passing the row (measured on 720x576 frames on 2 threads: 4.5 us a row
// against 3.8), so that with this share it finishes with the others.
constexpr double kFirstBandShare = 0.85;

// The band of rows [first, end) when the rows are split into `bands`: the
// first band kFirstBandShare of each other band's rows (at least one), the
// others even shares of the rest.  Every band holds a row when bands <= rows.
void rowBand(int rows, int bands, int band, int& first, int& end)
{
    const int firstRows =
        bands == 1 ? rows : std::max(1, static_cast<int>(rows * kFirstBandShare / (kFirstBandShare + bands - 1)));
    auto top = [&](int b) {
        return b == 0 ? 0 : firstRows + static_cast<int>(static_cast<long>(rows - firstRows) * (b - 1) / (bands - 1));
    };
    first = top(band);
    end = band + 1 == bands ? rows : top(band + 1);
}

// Rows [first, end): every pixel compared and learnt, the foreground and
// the integrals (counted from row `first` down) written.  With `sums`,
// each row's learnt background is added to them right after the row is
// passed, while it is still in the cache.
void passRows(const BackgroundPass& p, int first, int end, float* difference, double* sums)
{
    for (int y = first; y < end; ++y) {
        scaleCompareLearnRow(p, y, difference);
        classifyRow(p, y, difference, first);
        if (sums)
            addRow(p, y, sums);
    }
}

// Band after band, the integrals of each band counted from its own top are
// made whole: first the last row of each band, in order, then the other
// rows of every band at once.  The sums, which go in pixel order, are
// begun by the first band's thread as it passes its rows, and continued
// over the other bands' rows by one thread while the others make the
// integrals whole.
void passInBands(const BackgroundPass& p, WorkerPool* workers, int bands)
{
    const int rows = p.image->rows, cols = p.image->cols;
    double sums[3] = {0.0, 0.0, 0.0};
    auto pass = [&](int band) {
        int first, end;
        rowBand(rows, bands, band, first, end);
        float* difference = p.differences + static_cast<ptrdiff_t>(band) * cols;
        passRows(p, first, end, difference, band == 0 ? sums : nullptr);
    };
    workers->run(bands, pass);
    for (cv::Mat* integral : {p.integral, p.unknownIntegral})
        for (int band = 1; band < bands; ++band) {
            int first, end;
            rowBand(rows, bands, band, first, end);
            addCounts(integral->ptr<int>(end), integral->ptr<int>(first), cols + 1);
        }
    auto finish = [&](int task) {
        int first, end;
        if (task == 0) {
            rowBand(rows, bands, 0, first, end);
            for (int y = end; y < rows; ++y)
                addRow(p, y, sums);
            std::copy(sums, sums + 3, p.sums);
            return;
        }
        rowBand(rows, bands, task, first, end);
        for (cv::Mat* integral : {p.integral, p.unknownIntegral})
            for (int y = first + 1; y < end; ++y)
                addCounts(integral->ptr<int>(y), integral->ptr<int>(first), cols + 1);
    };
    workers->run(bands, finish);
}

}  // namespace

int backgroundPassBands(const WorkerPool* workers, int rows, int cols) { return rowBandCount(workers, rows, cols); }

void runBackgroundPass(const BackgroundPass& p, WorkerPool* workers)
{
    // Row 0 of each integral is 0 (cv::Mat::setTo would allocate).
    std::fill_n(p.integral->ptr<int>(0), p.integral->cols, 0);
    std::fill_n(p.unknownIntegral->ptr<int>(0), p.unknownIntegral->cols, 0);
    const int bands = backgroundPassBands(workers, p.image->rows, p.image->cols);
    if (bands > 1) {
        passInBands(p, workers, bands);
        return;
    }
    double sums[3] = {0.0, 0.0, 0.0};
    passRows(p, 0, p.image->rows, p.differences, sums);
    std::copy(sums, sums + 3, p.sums);
}

void addBackgroundSums(const cv::Mat& background, double* sums)
{
    for (int y = 0; y < background.rows; ++y)
        addRow(background.ptr<float>(y), background.cols, sums);
}

void learnInOwnLight(const cv::Mat& image, cv::Mat& background, cv::Mat& known, const cv::Mat& learn,
                     const float* inverseGain, float rate, double* change)
{
    const float keep = 1.0f - rate;
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t* f = image.ptr<uint8_t>(y);
        float* b = background.ptr<float>(y);
        uint8_t* isKnown = known.ptr<uint8_t>(y);
        const uint8_t* learnt = learn.ptr<uint8_t>(y);
        double rowChange[3] = {0.0, 0.0, 0.0};
        for (int x = 0; x < image.cols; ++x, f += 3, b += 3) {
            if (!learnt[x])
                continue;
            for (int c = 0; c < 3; ++c) {
                const float own = static_cast<float>(f[c]) * inverseGain[c];
                const float was = b[c];
                b[c] = isKnown[x] ? own * rate + was * keep : own;
                rowChange[c] += static_cast<double>(b[c]) - static_cast<double>(was);
            }
            isKnown[x] = 255;
        }
        for (int c = 0; c < 3; ++c)
            change[c] += rowChange[c];
    }
}
