// textured-scene: writes a textured scene of real size (see
// replay/textured_scene.h) as a Motion JPEG AVI at 25 frames/s, and its
// first frame's boxes as a MOTChallenge file for tavo-track --targets, so
// that whole runs (decoding included) can be timed on footage of any size.
//
//   textured-scene OUT.avi OUT.boxes.txt WIDTHxHEIGHT COUNT OBJECTxSIZE FRAMES

#include "replay/textured_scene.h"

#include <opencv2/videoio.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr double kFramesPerSecond = 25.0;

bool sizeOf(const char* text, int& width, int& height)
{
    return std::sscanf(text, "%dx%d", &width, &height) == 2 && width > 0 && height > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    int width = 0, height = 0, objectWidth = 0, objectHeight = 0;
    const int count = argc == 7 ? std::atoi(argv[4]) : 0, frames = argc == 7 ? std::atoi(argv[6]) : 0;
    if (argc != 7 || !sizeOf(argv[3], width, height) || !sizeOf(argv[5], objectWidth, objectHeight) || count < 1 ||
        frames < 1) {
        std::fprintf(stderr, "usage: textured-scene OUT.avi OUT.boxes.txt WIDTHxHEIGHT COUNT OBJECTxSIZE FRAMES\n");
        return 2;
    }
    const TexturedScene scene(width, height, count, objectWidth, objectHeight);
    cv::VideoWriter writer(argv[1], cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), kFramesPerSecond,
                           cv::Size(width, height));
    if (!writer.isOpened()) {
        std::fprintf(stderr, "textured-scene: cannot write '%s'\n", argv[1]);
        return 1;
    }
    for (int f = 0; f < frames; ++f)
        writer.write(scene.frameAt(f));
    std::FILE* boxes = std::fopen(argv[2], "w");
    if (!boxes) {
        std::fprintf(stderr, "textured-scene: cannot write '%s'\n", argv[2]);
        return 1;
    }
    int id = 0;
    for (const Box& b : scene.startBoxes())
        std::fprintf(boxes, "1,%d,%d,%d,%d,%d,1,-1,-1,-1\n", ++id, b.x, b.y, b.width, b.height);
    return std::fclose(boxes) == 0 ? 0 : 1;
}
