#include "rendering/drawing_corners.h"
#include "rendering/outline_rect.h"
#include "core/tavo.h"

#include <opencv2/core/core_c.h>

#include <cstdio>
#include <optional>

void tavo::draw(CvMat* image)
{
    if (targets.empty())
        return;

    const CvScalar red = cvScalar(0, 0, 255, 0);

    // Pass 1: sample outlines and the weighted estimate of every target.
    // The image is resolved once, at the first outline.
    std::optional<OutlineCanvas> canvas;
    for (const auto& owned : targets) {
        Target* t = owned.get();
        selectTarget(t->firstSample, nullptr);
        const int n = t->reservedCount;
        if (n > 0 && !canvas)
            canvas.emplace(image, red);
        if (n > 0 && canvas->usable()) {
            // An outline only sets the colour's bytes, so drawing it again
            // changes nothing: each distinct outline of a target is drawn once.
            RectMemo& drawn = t->rectMemo;
            const bool memoised = n <= drawn.capacity();
            if (memoised)
                drawn.startRound();
            for (int j = 0; j < n; ++j) {
                const Sample& s = *windowRefs[j];
                const DrawingCorners c =
                    drawingCorners(s.posX, s.posY, s.scaleX, s.scaleY, t->baseWidth, t->baseHeight);
                bool isNew = true;
                if (memoised && drawn.find(cvRect(c.x0, c.y0, c.x1, c.y1), isNew) && !isNew)
                    continue;
                canvas->outline(c.x0, c.y0, c.x1, c.y1);
            }
        }

        estimateTarget(t);
    }

    if (image)
        drawTargetMarks(image);
}

void tavo::drawTargetMarks(CvMat* image)
{
    const CvScalar black = cvScalar(0, 0, 0, 0);
    const CvScalar nearBlack = cvScalar(10, 10, 10, 0);
    const CvScalar white = cvScalar(255, 255, 255, 0);

    for (const auto& owned : targets) {
        const Target* t = owned.get();
        const Sample& e = t->estimate;
        for (const Target* other : t->neighbours)
            cvLine(image, cvPoint(truncateCoordinate(e.posX), truncateCoordinate(e.posY)),
                   cvPoint(truncateCoordinate(other->estimate.posX), truncateCoordinate(other->estimate.posY)), black, 1, 8, 0);

        const DrawingCorners c = drawingCorners(e.posX, e.posY, e.scaleX, e.scaleY, t->baseWidth, t->baseHeight);
        cvRectangle(image, cvPoint(c.x0, c.y0), cvPoint(c.x1, c.y1), black, 2, 8, 0);

        char text[16];
        const int length = std::snprintf(text, sizeof text, "%d", t->id);
        const int textWidth = length * (labelSize.width + 1);
        cvLine(image, cvPoint(c.x1, c.y0), cvPoint(c.x1 + 3, c.y0 - 5), nearBlack, 1, 8, 0);
        const CvPoint boxFrom = cvPoint(c.x1 + 3, c.y0 - 5);
        const CvPoint boxTo = cvPoint(c.x1 + textWidth + 5, c.y0 + labelSize.height - 2);
        cvRectangle(image, boxFrom, boxTo, white, -1, 8, 0);
        cvRectangle(image, boxFrom, boxTo, nearBlack, 1, 8, 0);
        cvPutText(image, text, cvPoint(c.x1 + 4, c.y0 + labelSize.height - 3), &labelFont, nearBlack);
    }
}
