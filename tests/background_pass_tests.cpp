// The background pass, four lanes at a time, against the pass as first
// written: the same background, knowledge, foreground, integrals and sums,
// bit for bit, over frames that learn, hold, change light and leave rows
// with pixels beyond the last whole vector; in bands of rows on two and
// three threads too.

#include "appearance/background_pass.h"
#include "support/worker_pool.h"
#include "same_bits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

struct PassState {
    cv::Mat background, known, foreground, integral, unknownIntegral;
    double sums[3] = {0.0, 0.0, 0.0};
    std::vector<float> differences;

    PassState(const cv::Mat& first, const cv::Mat& firstKnown)
    {
        first.convertTo(background, CV_32FC3);
        known = firstKnown.clone();
        foreground.create(first.size(), CV_8U);
        integral.create(first.rows + 1, first.cols + 1, CV_32S);
        unknownIntegral.create(first.rows + 1, first.cols + 1, CV_32S);
        differences.resize(static_cast<size_t>(first.cols) * 3);
    }

    // The literal pass without `workers`.
    void run(const cv::Mat& image, const cv::Mat& learn, const float* gain, bool stillUnknown, bool literalPass,
             WorkerPool* workers = nullptr)
    {
        const BackgroundPass pass{&image,    &background, &known, &learn, &foreground, &integral, &unknownIntegral,
                                  gain,      30.0f,       0.05f,  stillUnknown, sums, differences.data()};
        if (literalPass)
            literal::runBackgroundPass(pass);
        else
            runBackgroundPass(pass, workers);
    }
};

::testing::AssertionResult sameMat(const cv::Mat& a, const cv::Mat& b)
{
    const size_t bytes = a.total() * a.elemSize();
    if (a.size() != b.size() || a.type() != b.type() || std::memcmp(a.data, b.data, bytes) != 0)
        return ::testing::AssertionFailure() << "the images differ";
    return ::testing::AssertionSuccess();
}

// Every result of two passes, bit for bit.
::testing::AssertionResult samePass(const PassState& one, const PassState& other)
{
    if (!sameBits(one.background.ptr<float>(), other.background.ptr<float>(),
                  static_cast<int>(one.background.total() * 3)))
        return ::testing::AssertionFailure() << "the backgrounds differ";
    for (const auto& [a, b, name] : {std::tuple{&one.known, &other.known, "knowledge"},
                                     std::tuple{&one.foreground, &other.foreground, "foreground"},
                                     std::tuple{&one.integral, &other.integral, "integral"},
                                     std::tuple{&one.unknownIntegral, &other.unknownIntegral, "unknown integral"}})
        if (!sameMat(*a, *b))
            return ::testing::AssertionFailure() << "the " << name << " differs";
    for (int c = 0; c < 3; ++c)
        if (bitsOf(one.sums[c]) != bitsOf(other.sums[c]))
            return ::testing::AssertionFailure() << "the sums of channel " << c << " differ";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(BackgroundPass, SameBitsAsThePixelByPixelPass)
{
    // Widths below, at and beyond whole vectors of 16 pixels.
    for (const int cols : {7, 16, 45, 83}) {
        for (const bool stillUnknown : {false, true}) {
            SCOPED_TRACE(testing::Message() << cols << " columns, still unknown pixels counted: " << stillUnknown);
            cv::RNG rng(static_cast<uint64_t>(cols) * 2 + stillUnknown);
            cv::Mat frame(23, cols, CV_8UC3);
            rng.fill(frame, cv::RNG::UNIFORM, 0, 256);
            cv::Mat knownAtFirst(frame.size(), CV_8U, cv::Scalar(255));
            knownAtFirst(cv::Rect(cols / 3, 4, cols / 3 + 1, 9)).setTo(0);
            PassState slow(frame, knownAtFirst);
            std::vector<PassState> fast;  // 1, 2 and 3 threads, each with images of its own
            for (int t = 0; t < 3; ++t)
                fast.emplace_back(frame, knownAtFirst);
            WorkerPool two(2), three(3);
            two.setMinBandPixels(1);  // bands however small the frame
            three.setMinBandPixels(1);
            WorkerPool* const pools[] = {nullptr, &two, &three};
            // Gains: none, a light change, the largest step, a dimming; a
            // little noise and a moving patch on each frame.
            const float gains[][3] = {{1.0f, 1.0f, 1.0f}, {1.07f, 0.93f, 1.2f}, {2.0f, 2.0f, 0.5f}, {0.6f, 0.8f, 1.0f}};
            for (int f = 0; f < 12; ++f) {
                cv::Mat noise(frame.size(), CV_8UC3);
                rng.fill(noise, cv::RNG::UNIFORM, 0, 24);
                cv::Mat image = frame + noise;
                image(cv::Rect(f % cols, 2 + f % 10, std::min(6, cols - f % cols), 8)).setTo(cv::Scalar(250, 3, 90));
                cv::Mat learn(frame.size(), CV_8U, cv::Scalar(255));
                learn(cv::Rect((f * 5) % cols, f % 12, std::min(5, cols - (f * 5) % cols), 10)).setTo(0);
                const float* gain = gains[f % 4];
                slow.run(image, learn, gain, stillUnknown, true);
                for (int t = 0; t < 3; ++t) {
                    SCOPED_TRACE(testing::Message() << "frame " << f << ", " << t + 1 << " threads");
                    PassState& one = fast[static_cast<size_t>(t)];
                    one.run(image, learn, gain, stillUnknown, false, pools[t]);
                    ASSERT_TRUE(samePass(one, slow));
                }
            }
        }
    }
}

TEST(BackgroundPass, SameBitsInBandsOfARowOrTwo)
{
    // As many bands as rows, or nearly: the first band, whose thread also
    // adds up the sums, is smaller than the others, and each band's
    // integrals are made whole from the last row of the band above.
    for (const int rows : {2, 3, 4, 5})
        for (const int threads : {2, 3}) {
            SCOPED_TRACE(testing::Message() << rows << " rows, " << threads << " threads");
            cv::RNG rng(static_cast<uint64_t>(rows * 10 + threads));
            cv::Mat frame(rows, 19, CV_8UC3);
            rng.fill(frame, cv::RNG::UNIFORM, 0, 256);
            cv::Mat knownAtFirst(frame.size(), CV_8U, cv::Scalar(255));
            knownAtFirst(cv::Rect(5, 0, 6, 1)).setTo(0);
            PassState slow(frame, knownAtFirst), banded(frame, knownAtFirst);
            WorkerPool pool(threads);
            pool.setMinBandPixels(1);
            const float gain[3] = {1.07f, 0.93f, 1.2f};
            for (int f = 0; f < 4; ++f) {
                cv::Mat image(frame.size(), CV_8UC3);
                rng.fill(image, cv::RNG::UNIFORM, 0, 256);
                cv::Mat learn(frame.size(), CV_8U, cv::Scalar(255));
                learn(cv::Rect(f * 3, rows - 1, 4, 1)).setTo(0);
                slow.run(image, learn, gain, f % 2 == 1, true);
                banded.run(image, learn, gain, f % 2 == 1, false, &pool);
                ASSERT_TRUE(samePass(banded, slow)) << "frame " << f;
            }
        }
}
