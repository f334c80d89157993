// The video input layer on small videos written for the test, and on the
// demo video.

#include "inputs/video_capture.h"
#include "inputs/video_source.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 12;

// Frame i of the test video: a flat colour that tells the frames apart and
// the channels apart (blue rises, red falls, green stays).
cv::Scalar colourOfFrame(int i)
{
    return {40.0 + 15 * i, 128.0, 220.0 - 15 * i};
}

class VideoCaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
        dir_ = fs::temp_directory_path() / ("tavo-capture-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        video_ = (dir_ / "colours.avi").string();
        cv::VideoWriter writer(video_, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                               25.0, cv::Size(kWidth, kHeight));
        ASSERT_TRUE(writer.isOpened()) << "cannot write " << video_;
        for (int i = 0; i < kFrames; ++i)
            writer.write(cv::Mat(kHeight, kWidth, CV_8UC3, colourOfFrame(i)));
    }

    static void TearDownTestSuite()
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    static fs::path dir_;
    static std::string video_;
};

fs::path VideoCaptureTest::dir_;
std::string VideoCaptureTest::video_;

TEST_F(VideoCaptureTest, FilesThatAreNoVideoGiveNoFrames)
{
    EXPECT_EQ(createFileCapture((dir_ / "missing.avi").c_str()), nullptr);
    EXPECT_EQ(createFileCapture(""), nullptr);
    EXPECT_EQ(createFileCapture(nullptr), nullptr);

    const fs::path text = dir_ / "notes.avi";
    std::ofstream(text) << "not a video\n";
    FileCapture* capture = createFileCapture(text.c_str());
    EXPECT_EQ(queryFrame(capture), nullptr);
    releaseCapture(&capture);
}

TEST_F(VideoCaptureTest, NullCaptureIsAccepted)
{
    EXPECT_EQ(queryFrame(nullptr), nullptr);
    EXPECT_EQ(captureFrameRate(nullptr), 0.0);
    EXPECT_EQ(captureFrameCount(nullptr), 0);
    FileCapture* capture = nullptr;
    releaseCapture(&capture);
    EXPECT_EQ(capture, nullptr);
    releaseCapture(nullptr);
}

TEST_F(VideoCaptureTest, DeliversEveryFrameInOrderAsEightBitBgr)
{
    FileCapture* capture = createFileCapture(video_.c_str());
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(captureFrameRate(capture), 25.0);
    EXPECT_EQ(captureFrameCount(capture), kFrames);

    int count = 0;
    for (IplImage* frame = queryFrame(capture); frame; frame = queryFrame(capture)) {
        ASSERT_LT(count, kFrames);
        EXPECT_EQ(frame->width, kWidth);
        EXPECT_EQ(frame->height, kHeight);
        EXPECT_EQ(frame->depth, IPL_DEPTH_8U);
        EXPECT_EQ(frame->nChannels, 3);
        EXPECT_EQ(frame->origin, 0);
        // Flat colours survive the compression to within a few levels.
        const cv::Scalar mean = cv::mean(cv::cvarrToMat(frame));
        const cv::Scalar expected = colourOfFrame(count);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(mean[c], expected[c], 4.0) << "frame " << count << " channel " << c;
        ++count;
    }
    EXPECT_EQ(count, kFrames);

    // The end of the video is final.
    EXPECT_EQ(queryFrame(capture), nullptr);
    EXPECT_EQ(queryFrame(capture), nullptr);

    releaseCapture(&capture);
    EXPECT_EQ(capture, nullptr);
}

TEST_F(VideoCaptureTest, CapturesAreIndependent)
{
    FileCapture* first = createFileCapture(video_.c_str());
    FileCapture* second = createFileCapture(video_.c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(queryFrame(first), nullptr);
    IplImage* frame = queryFrame(second);
    ASSERT_NE(frame, nullptr);
    EXPECT_NEAR(cv::mean(cv::cvarrToMat(frame))[0], colourOfFrame(0)[0], 4.0);
    releaseCapture(&first);
    releaseCapture(&second);
}

// FFmpeg takes a name beginning "file:", "concat:" and so on as a protocol
// and reads another file (here, none); such a name is a file's.
TEST_F(VideoCaptureTest, NamesWithAColonAreFileNames)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    for (const char* name : {"file:colours.avi", "concat:colours.avi"}) {
        fs::copy_file(video_, name, fs::copy_options::overwrite_existing);
        FileCapture* capture = createFileCapture(name);
        EXPECT_NE(capture, nullptr) << name;
        EXPECT_EQ(captureFrameCount(capture), kFrames) << name;
        releaseCapture(&capture);
    }
    fs::current_path(before);
}

// What cannot be read says why, in words a message can quote.
TEST_F(VideoCaptureTest, ProblemsAreNamed)
{
    EXPECT_EQ(openProblem((dir_ / "missing.avi").c_str()), "no such file");
    // A folder is read as its images: one without any is none to read.
    EXPECT_EQ(createFileCapture(dir_.c_str()), nullptr) << "holds a video, but no image";
    EXPECT_EQ(openProblem(dir_.c_str()), "the folder holds no images (png, jpg, bmp, tif, ppm, webp, ...)");
    fs::create_directories(dir_ / "SEQ" / "img1");
    std::ofstream(dir_ / "SEQ" / "seqinfo.ini") << "[Sequence]\nframeRate=30\n";
    EXPECT_EQ(openProblem((dir_ / "SEQ").c_str()), "the sequence folder's img1/ holds no images");
    const fs::path text = dir_ / "text.avi";
    std::ofstream(text) << "not a video\n";
    EXPECT_EQ(openProblem(text.c_str()), "it is no video the decoder can read");

    // Floating-point frames, which FFmpeg opens but cannot decode.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(cv::imwrite((dir_ / ("float_" + std::to_string(i) + ".tiff")).string(),
                                cv::Mat(kHeight, kWidth, CV_32FC3, cv::Scalar(0.5, 0.5, 0.5))));
    FileCapture* capture = createFileCapture((dir_ / "float_%d.tiff").c_str());
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(queryFrame(capture), nullptr);
    EXPECT_EQ(captureProblem(capture), "its pixels are 32-bit floating point, not 8-bit");
    releaseCapture(&capture);

    // The end of a video is no problem.
    capture = createFileCapture(video_.c_str());
    while (queryFrame(capture))
        ;
    EXPECT_EQ(captureProblem(capture), "");
    releaseCapture(&capture);
}

// The video source that the command and the Python module share: why a
// video cannot start, where it starts, and its plain end.
TEST_F(VideoCaptureTest, TheSourceSaysWhyAVideoCannotStartAndWhereItEnds)
{
    std::string error;
    VideoFault fault{};
    const std::string missing = (dir_ / "missing.avi").string();
    EXPECT_EQ(VideoSource::open({missing, std::nullopt, 1}, error, fault), nullptr);
    EXPECT_EQ(fault, VideoFault::NoSuchFile);
    EXPECT_EQ(error, "cannot open the video '" + missing + "': no such file");
    const fs::path text = dir_ / "words.avi";
    std::ofstream(text) << "not a video\n";
    EXPECT_EQ(VideoSource::open({text.string(), std::nullopt, 1}, error, fault), nullptr);
    EXPECT_EQ(fault, VideoFault::NotAVideo);
    EXPECT_EQ(VideoSource::open({video_, std::nullopt, kFrames + 1}, error, fault), nullptr);
    EXPECT_EQ(fault, VideoFault::FirstFrame);
    EXPECT_EQ(error, "'" + video_ + "' has 12 frames: --start 13 lies beyond its end");
    const std::string floats = (dir_ / "source_float_%d.tiff").string();
    ASSERT_TRUE(cv::imwrite((dir_ / "source_float_0.tiff").string(),
                            cv::Mat(kHeight, kWidth, CV_32FC3, cv::Scalar(0.5, 0.5, 0.5))));
    EXPECT_EQ(VideoSource::open({floats, std::nullopt, 1}, error, fault), nullptr);
    EXPECT_EQ(fault, VideoFault::FirstFrame);
    EXPECT_EQ(error, "cannot use the first frame of '" + floats + "': its pixels are 32-bit floating point, not 8-bit");

    const auto source = VideoSource::open({video_, std::nullopt, 3}, error, fault);
    ASSERT_NE(source, nullptr) << error;
    EXPECT_NEAR(cv::mean(cv::cvarrToMat(source->frame()))[0], colourOfFrame(2)[0], 4.0) << "starts on frame 3";
    int read = 1;
    while (source->next())
        ++read;
    EXPECT_EQ(read, kFrames - 2);
    const VideoSource::EndMessages end = source->endMessages(3, kFrames);
    EXPECT_EQ(end.error, "");
    EXPECT_EQ(end.warning, "") << "a video read to its declared end ends plainly";
}

// OpenCV's FFmpeg reader keeps a video's first frame size: frames that
// grow later come out as the last frame of the first size again.  (The
// documentation of tavo-track describes this; a change here must change it.)
TEST_F(VideoCaptureTest, FramesThatChangeSizeKeepTheFirstSize)
{
    const fs::path stream = dir_ / "growing.mjpeg";  // JPEG pictures one after another
    {
        std::ofstream out(stream, std::ios::binary);
        for (int i = 0; i < 4; ++i) {
            const cv::Size size = i < 2 ? cv::Size(kWidth, kHeight) : cv::Size(2 * kWidth, 2 * kHeight);
            std::vector<uchar> jpeg;
            ASSERT_TRUE(cv::imencode(".jpg", cv::Mat(size, CV_8UC3, colourOfFrame(i)), jpeg));
            out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
        }
    }
    FileCapture* capture = createFileCapture(stream.c_str());
    ASSERT_NE(capture, nullptr);
    int count = 0;
    for (IplImage* frame = queryFrame(capture); frame; frame = queryFrame(capture), ++count) {
        EXPECT_EQ(frame->width, kWidth) << "frame " << count;
        EXPECT_NEAR(cv::mean(cv::cvarrToMat(frame))[0], colourOfFrame(std::min(count, 1))[0], 4.0) << count;
    }
    EXPECT_EQ(count, 4);
    releaseCapture(&capture);
}

// The demo video as the build writes it: 500 frames of 320 x 320 at 25 fps.
TEST(DemoVideo, HasTheWrittenFramesAndSize)
{
    const std::string path = std::string(TAVO_BINARY_DIR) + "/TAVO_DEMO.avi";
    FileCapture* capture = createFileCapture(path.c_str());
    ASSERT_NE(capture, nullptr) << path << " is missing: build the demo_video target";
    EXPECT_EQ(captureFrameRate(capture), 25.0);
    EXPECT_EQ(captureFrameCount(capture), 500);
    int count = 0;
    for (IplImage* frame = queryFrame(capture); frame; frame = queryFrame(capture)) {
        ++count;
        ASSERT_EQ(frame->width, 320) << "frame " << count;
        ASSERT_EQ(frame->height, 320) << "frame " << count;
        ASSERT_EQ(frame->nChannels, 3) << "frame " << count;
    }
    EXPECT_EQ(count, 500);
    releaseCapture(&capture);
}

}  // namespace
