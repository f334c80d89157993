#include "rendering/box_drawing.h"

#include "rendering/target_colours.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kBoxThickness = 2;
constexpr int kTrailThickness = 2;
// A lost target's box: dashes this long with gaps this long between them.
constexpr int kDashLength = 6;
constexpr int kGapLength = 5;
// A dotted box (a lost target, with states shown): short dots, wide gaps,
// told apart from the dashes at a glance.
constexpr int kDotLength = 0;
constexpr int kDotGapLength = 7;
// The label's text and the room around it inside its filled rectangle.
constexpr int kLabelFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kLabelScale = 0.4;
constexpr int kLabelPadding = 2;
// Labels on colours lighter than this get black text, on darker ones white.
constexpr double kLightLabel = 140.0;
// How strongly the samples show through: faint enough to leave the frame
// readable under a cloud of hundreds of dots.
constexpr double kSamplesOpacity = 0.35;
constexpr int kSampleDotRadius = 1;

// The whole pixels a box covers, edges included.
cv::Rect pixelRect(const RealBox& box)
{
    const int x0 = cvRound(box.x);
    const int y0 = cvRound(box.y);
    return cv::Rect(x0, y0, std::max(1, cvRound(box.x + box.width) - x0), std::max(1, cvRound(box.y + box.height) - y0));
}

struct Dashes {
    int dash = kDashLength;
    int gap = kGapLength;
};

void dashedLine(cv::Mat& image, cv::Point from, cv::Point to, const cv::Scalar& colour, Dashes d)
{
    const cv::Point step = to - from;
    const double length = std::hypot(step.x, step.y);
    for (double at = 0; at < length; at += d.dash + d.gap) {
        const double end = std::min(at + d.dash, length);
        const cv::Point a = from + cv::Point(cvRound(step.x * at / length), cvRound(step.y * at / length));
        const cv::Point b = from + cv::Point(cvRound(step.x * end / length), cvRound(step.y * end / length));
        cv::line(image, a, b, colour, kBoxThickness, cv::LINE_8);
    }
}

void dashedRectangle(cv::Mat& image, const cv::Rect& r, const cv::Scalar& colour, Dashes d = {})
{
    const cv::Point tl = r.tl(), br = r.br() - cv::Point(1, 1);
    const cv::Point tr(br.x, tl.y), bl(tl.x, br.y);
    dashedLine(image, tl, tr, colour, d);
    dashedLine(image, tr, br, colour, d);
    dashedLine(image, br, bl, colour, d);
    dashedLine(image, bl, tl, colour, d);
}

// A box by its target's state: solid, dashed or dotted.
void stateRectangle(cv::Mat& image, const cv::Rect& r, const cv::Scalar& colour, TargetState state)
{
    if (state == TargetState::Hidden)
        dashedRectangle(image, r, colour);
    else if (state == TargetState::Lost)
        dashedRectangle(image, r, colour, Dashes{kDotLength, kDotGapLength});
    else
        cv::rectangle(image, r, colour, kBoxThickness, cv::LINE_8);
}

cv::Scalar textColourOn(const cv::Scalar& fill)
{
    const double luma = 0.114 * fill[0] + 0.587 * fill[1] + 0.299 * fill[2];
    return luma > kLightLabel ? cv::Scalar(0, 0, 0) : cv::Scalar(255, 255, 255);
}

// "3 0.87", "3 lost" or "3" ("3 hidden" with states), into a buffer of
// the caller: no allocation.
void labelText(const TrackedTarget& target, bool withConfidence, bool withState, char (&text)[32])
{
    if (withState && target.state != TargetState::Tracked)
        std::snprintf(text, sizeof text, "%d %s", target.id, stateName(target.state));
    else if (target.lost)
        std::snprintf(text, sizeof text, "%d lost", target.id);
    else if (withConfidence)
        std::snprintf(text, sizeof text, "%d %.2f", target.id, target.confidence);
    else
        std::snprintf(text, sizeof text, "%d", target.id);
}

// The label sits on the box's top edge, outside it, or under the box when
// the frame ends above it; shifted left to stay whole at the frame's right
// edge.
void drawLabel(cv::Mat& image, const cv::Rect& box, const char* text, const cv::Scalar& fill)
{
    int baseline = 0;
    const cv::Size size = cv::getTextSize(text, kLabelFont, kLabelScale, 1, &baseline);
    const int width = size.width + 2 * kLabelPadding;
    const int height = size.height + baseline + 2 * kLabelPadding;
    const int top = box.y - height >= 0 ? box.y - height : box.y + box.height;
    const int left = std::max(0, std::min(box.x, image.cols - width));
    const cv::Rect label(left, top, width, height);
    cv::rectangle(image, label, fill, cv::FILLED, cv::LINE_8);
    cv::putText(image, text, cv::Point(label.x + kLabelPadding, label.y + kLabelPadding + size.height), kLabelFont,
                kLabelScale, textColourOn(fill), 1, cv::LINE_AA);
}

void drawTrail(cv::Mat& image, const TargetTrail& trail, const cv::Scalar& colour)
{
    for (int i = 1; i < trail.count; ++i)
        cv::line(image, trail.centre(i - 1), trail.centre(i), colour, kTrailThickness, cv::LINE_AA);
}

}  // namespace

void BoxDrawing::draw(const TrackingSession& session, cv::Mat& image, bool withSamples)
{
    if (withSamples)
        drawSamples(session.tracker(), image);
    drawTargets(session.frameNumber(), session.targets(), session.settings().motion.lostAndFound, image);
}

void BoxDrawing::drawTargets(int frameNumber, const std::vector<TrackedTarget>& targets, bool withConfidence,
                             cv::Mat& image)
{
    trails_.add(frameNumber, targets);
    char text[32];
    for (size_t i = 0; i < targets.size(); ++i) {
        const TrackedTarget& target = targets[i];
        const TargetTrail& trail = trails_[i];
        const cv::Scalar colour = targetColour(target.id);
        drawTrail(image, trail, colour);
        const cv::Rect box = pixelRect(target.lost && trail.seen ? trail.lastSeen : target.box);
        if (states_)
            stateRectangle(image, box, colour, target.state);
        else if (target.lost)
            dashedRectangle(image, box, colour);
        else
            cv::rectangle(image, box, colour, kBoxThickness, cv::LINE_8);
        labelText(target, withConfidence, states_, text);
        drawLabel(image, box, text, colour);
    }
}

// Each sample's centre as a dot of its target's colour, blended into the
// frame.
void BoxDrawing::drawSamples(const tavo& tracker, cv::Mat& image)
{
    image.copyTo(samplesLayer_);
    for (const auto& owned : tracker.targets) {
        const Target& t = *owned;
        const cv::Scalar colour = targetColour(t.id);
        for (int j = 0; j < t.reservedCount; ++j) {
            const Sample& s = *tracker.sampleRefs[t.firstSample + j];
            cv::circle(samplesLayer_, cv::Point(cvRound(s.posX), cvRound(s.posY)), kSampleDotRadius, colour,
                       cv::FILLED, cv::LINE_8);
        }
    }
    cv::addWeighted(samplesLayer_, kSamplesOpacity, image, 1.0 - kSamplesOpacity, 0.0, image);
}
