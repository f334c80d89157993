// make-test-video KIND OUT.avi [SOURCE]
//
// Writes a small MJPG video, or a file that only claims to be one, that
// exercises one corner of the programs' video input.  Kinds:
//   size-change  20 frames of 320x320, then 20 frames of 200x200
//   size-grow    20 frames of 200x200, then 20 frames of 320x320
//   one-frame    a single 320x320 frame
//   gray         40 frames of 320x320 written as single-channel video
//   tiny         40 frames of 16x16
//   zero-byte    an empty file
//   text         a few lines of text
//   truncated    the first half (byte-wise) of SOURCE, or without SOURCE of
//                a 100-frame 320x320 video: the stream breaks off inside a
//                frame and the index at the end of the file is missing
// Every video kind draws a few coloured discs that drift from frame to
// frame, so the colour models the demo learns are not all the same.  Exit
// status 0 on success, 2 on bad arguments, 1 when the file cannot be
// written (or SOURCE read).

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Segment {
    cv::Size size;
    int frames;
};

cv::Mat colourFrame(cv::Size size, int index)
{
    cv::Mat frame(size, CV_8UC3, cv::Scalar(128, 128, 128));
    const cv::Scalar colours[] = {
        {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}, {255, 0, 255}};
    const int radius = std::max(2, std::min(size.width, size.height) / 10);
    for (int i = 0; i < 5; ++i) {
        const int x = (size.width * (i + 1)) / 6 + (index % 7) - 3;
        const int y = (size.height * ((i * 3) % 5 + 1)) / 6 + (index % 5) - 2;
        cv::circle(frame, cv::Point(x, y), radius, colours[i], cv::FILLED);
    }
    return frame;
}

// cv::VideoWriter drops every frame whose size differs from the size it was
// opened with, so a video that changes size mid-stream is put together here:
// each frame is JPEG-encoded on its own and stored as one chunk of a plain
// MJPG AVI file whose headers give the first frame's size.
class AviFile {
public:
    void fourcc(const char* code) { bytes_.insert(bytes_.end(), code, code + 4); }
    void u16(std::uint16_t v)
    {
        bytes_.push_back(static_cast<unsigned char>(v & 0xff));
        bytes_.push_back(static_cast<unsigned char>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes_.push_back(static_cast<unsigned char>((v >> shift) & 0xff));
    }
    // Opens a chunk (or list) and returns where its size field is.
    std::size_t open(const char* code)
    {
        fourcc(code);
        const std::size_t at = bytes_.size();
        u32(0);
        return at;
    }
    void close(std::size_t sizeAt)
    {
        const std::size_t size = bytes_.size() - sizeAt - 4;
        for (int i = 0; i < 4; ++i)
            bytes_[sizeAt + i] = static_cast<unsigned char>((size >> (8 * i)) & 0xff);
        if (size % 2)
            bytes_.push_back(0);
    }
    void append(const std::vector<unsigned char>& data)
    {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

// Writes the first `length` bytes of `bytes` to `path`.
bool saveBytes(const std::string& path, const std::vector<unsigned char>& bytes, std::size_t length)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && (length == 0 || std::fwrite(bytes.data(), 1, length, file) == length);
    if (file && std::fclose(file) != 0)
        written = false;
    if (!written)
        std::fprintf(stderr, "make-test-video: cannot write %s\n", path.c_str());
    return written;
}

// The whole AVI file; false when a frame cannot be encoded.
bool buildMjpgAvi(const std::vector<Segment>& segments, AviFile& avi)
{
    std::vector<std::vector<unsigned char>> jpegs;
    std::size_t largest = 0;
    for (const Segment& segment : segments) {
        for (int f = 0; f < segment.frames; ++f) {
            std::vector<unsigned char> jpeg;
            if (!cv::imencode(".jpg", colourFrame(segment.size, static_cast<int>(jpegs.size())), jpeg))
                return false;
            largest = std::max(largest, jpeg.size());
            jpegs.push_back(std::move(jpeg));
        }
    }
    const cv::Size size = segments.front().size;
    const auto frames = static_cast<std::uint32_t>(jpegs.size());
    const auto width = static_cast<std::uint32_t>(size.width);
    const auto height = static_cast<std::uint32_t>(size.height);

    const std::size_t riff = avi.open("RIFF");
    avi.fourcc("AVI ");
    const std::size_t hdrl = avi.open("LIST");
    avi.fourcc("hdrl");
    const std::size_t avih = avi.open("avih");
    avi.u32(40000);                 // microseconds per frame (25 fps)
    avi.u32(0);                     // max bytes per second
    avi.u32(0);                     // padding granularity
    avi.u32(0x10);                  // AVIF_HASINDEX
    avi.u32(frames);
    avi.u32(0);                     // initial frames
    avi.u32(1);                     // streams
    avi.u32(static_cast<std::uint32_t>(largest));
    avi.u32(width);
    avi.u32(height);
    for (int i = 0; i < 4; ++i)
        avi.u32(0);
    avi.close(avih);
    const std::size_t strl = avi.open("LIST");
    avi.fourcc("strl");
    const std::size_t strh = avi.open("strh");
    avi.fourcc("vids");
    avi.fourcc("MJPG");
    avi.u32(0);                     // flags
    avi.u16(0);                     // priority
    avi.u16(0);                     // language
    avi.u32(0);                     // initial frames
    avi.u32(1);                     // scale
    avi.u32(25);                    // rate
    avi.u32(0);                     // start
    avi.u32(frames);                // length
    avi.u32(static_cast<std::uint32_t>(largest));
    avi.u32(0xffffffffu);           // quality: default
    avi.u32(0);                     // sample size: varies
    avi.u16(0);
    avi.u16(0);
    avi.u16(static_cast<std::uint16_t>(width));
    avi.u16(static_cast<std::uint16_t>(height));
    avi.close(strh);
    const std::size_t strf = avi.open("strf");
    avi.u32(40);                    // BITMAPINFOHEADER size
    avi.u32(width);
    avi.u32(height);
    avi.u16(1);                     // planes
    avi.u16(24);                    // bits per pixel
    avi.fourcc("MJPG");
    avi.u32(width * height * 3);
    for (int i = 0; i < 4; ++i)
        avi.u32(0);
    avi.close(strf);
    avi.close(strl);
    avi.close(hdrl);

    const std::size_t movi = avi.open("LIST");
    const std::size_t moviStart = avi.size();
    avi.fourcc("movi");
    std::vector<std::uint32_t> offsets;
    for (const auto& jpeg : jpegs) {
        offsets.push_back(static_cast<std::uint32_t>(avi.size() - moviStart));
        const std::size_t chunk = avi.open("00dc");
        avi.append(jpeg);
        avi.close(chunk);
    }
    avi.close(movi);

    const std::size_t idx1 = avi.open("idx1");
    for (std::size_t i = 0; i < jpegs.size(); ++i) {
        avi.fourcc("00dc");
        avi.u32(0x10);              // AVIIF_KEYFRAME
        avi.u32(offsets[i]);
        avi.u32(static_cast<std::uint32_t>(jpegs[i].size()));
    }
    avi.close(idx1);
    avi.close(riff);
    return true;
}

bool writeMjpgAvi(const std::string& path, const std::vector<Segment>& segments)
{
    AviFile avi;
    return buildMjpgAvi(segments, avi) && saveBytes(path, avi.bytes(), avi.size());
}

// The first half of `source`, or of a generated 100-frame video.
bool writeTruncated(const std::string& path, const std::string& source)
{
    std::vector<unsigned char> bytes;
    if (source.empty()) {
        AviFile avi;
        if (!buildMjpgAvi({{{320, 320}, 100}}, avi))
            return false;
        bytes = avi.bytes();
    } else {
        std::ifstream in(source, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "make-test-video: cannot read %s\n", source.c_str());
            return false;
        }
    }
    if (bytes.size() < 2) {
        std::fprintf(stderr, "make-test-video: %s is too short to cut in half\n", source.c_str());
        return false;
    }
    return saveBytes(path, bytes, bytes.size() / 2);
}

void usage()
{
    std::fprintf(stderr,
                 "usage: make-test-video KIND OUT.avi [SOURCE]\n"
                 "  KIND: size-change | size-grow | one-frame | gray | tiny |\n"
                 "        zero-byte | text | truncated (SOURCE: the video to cut)\n");
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string kind = argc > 1 ? argv[1] : "";
    if (argc != 3 && !(argc == 4 && kind == "truncated")) {
        usage();
        return 2;
    }
    const std::string out = argv[2];

    if (kind == "zero-byte")
        return saveBytes(out, {}, 0) ? 0 : 1;
    if (kind == "text") {
        const std::string text = "This is not a video.\nIt is a text file named like one.\n";
        return saveBytes(out, {text.begin(), text.end()}, text.size()) ? 0 : 1;
    }
    if (kind == "truncated")
        return writeTruncated(out, argc == 4 ? argv[3] : "") ? 0 : 1;

    std::vector<Segment> segments;
    bool isColor = true;
    if (kind == "size-change") {
        segments = {{{320, 320}, 20}, {{200, 200}, 20}};
    } else if (kind == "size-grow") {
        segments = {{{200, 200}, 20}, {{320, 320}, 20}};
    } else if (kind == "one-frame") {
        segments = {{{320, 320}, 1}};
    } else if (kind == "gray") {
        segments = {{{320, 320}, 40}};
        isColor = false;
    } else if (kind == "tiny") {
        segments = {{{16, 16}, 40}};
    } else {
        usage();
        return 2;
    }

    if (segments.size() > 1)
        return writeMjpgAvi(out, segments) ? 0 : 1;

    const int fourcc = cv::VideoWriter::fourcc('M', 'J', 'P', 'G');
    cv::VideoWriter writer(out, cv::CAP_FFMPEG, fourcc, 25.0, segments.front().size, isColor);
    if (!writer.isOpened()) {
        std::fprintf(stderr, "make-test-video: cannot write %s\n", out.c_str());
        return 1;
    }
    const Segment& segment = segments.front();
    for (int index = 0; index < segment.frames; ++index) {
        cv::Mat frame = colourFrame(segment.size, index);
        if (!isColor)
            cv::cvtColor(frame, frame, cv::COLOR_BGR2GRAY);
        writer.write(frame);
    }
    writer.release();
    return 0;
}
