#include "literal/literal_cycle.h"
#include "rendering/drawing_corners.h"

#include <opencv2/core/core_c.h>

#include <algorithm>
#include <cstdint>

namespace literal {

namespace {

inline void setPixel(uint8_t* p, const uint8_t colour[3])
{
    for (int c = 0; c < 3; ++c)
        if (colour[c] != 0)
            p[c] = colour[c];
}

}  // namespace

void outlineRect(CvArr* image, int x0, int y0, int x1, int y1, CvScalar colour)
{
    if (!image)
        return;
    CvMat header;
    CvMat* mat = cvGetMat(image, &header, nullptr, 0);
    if (CV_MAT_TYPE(mat->type) != CV_8UC3)
        return;
    uint8_t bytes[4 * sizeof(double)] = {};
    cvScalarToRawData(&colour, bytes, mat->type, 0);
    uchar* data = nullptr;
    int step = 0;
    CvSize size;
    cvGetRawData(mat, &data, &step, &size);
    if (!data)
        return;

    const int xmin = std::min(x0, x1), xmax = std::max(x0, x1);
    const int ymin = std::min(y0, y1), ymax = std::max(y0, y1);
    if (xmin < 0 || xmax > size.width - 1 || ymin < 0 || ymax > size.height - 1)
        return;

    for (int y = ymin; y <= ymax; ++y) {
        uint8_t* row = data + static_cast<ptrdiff_t>(y) * step;
        if (y == ymin || y == ymax) {
            for (int x = xmin; x <= xmax; ++x)
                setPixel(row + 3 * x, bytes);
        } else {
            setPixel(row + 3 * xmin, bytes);
            setPixel(row + 3 * xmax, bytes);
        }
    }
}

int track(tavo& tracker)
{
    if (!tracker.targets.empty())
        tracker.findNeighbours();
    for (const auto& owned : tracker.targets) {
        Target* t = owned.get();
        const int n = t->sampleCount;
        tracker.selectTarget(t->firstSample, t);
        tracker.resample(n);
        for (int i = 0; i < n; ++i)
            tracker.windowRefs[i] = &tracker.windowSamples[i];
        tracker.moveSamples(n);
        measureSamples(tracker, n);
        sortByWeight(tracker.windowRefs, static_cast<size_t>(n), 0);
    }
    if (!tracker.targets.empty())
        runJointStage(tracker, kUseJointIterationSetting);
    return 1;
}

void draw(tavo& tracker, CvMat* image)
{
    if (tracker.targets.empty())
        return;
    const CvScalar red = cvScalar(0, 0, 255, 0);
    for (const auto& owned : tracker.targets) {
        Target* t = owned.get();
        tracker.selectTarget(t->firstSample, nullptr);
        for (int j = 0; j < t->reservedCount; ++j) {
            const Sample& s = *tracker.windowRefs[j];
            const DrawingCorners c = drawingCorners(s.posX, s.posY, s.scaleX, s.scaleY, t->baseWidth, t->baseHeight);
            outlineRect(image, c.x0, c.y0, c.x1, c.y1, red);
        }
        tracker.estimateTarget(t);
    }
    if (image)
        tracker.drawTargetMarks(image);
}

}  // namespace literal
