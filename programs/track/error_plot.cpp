#include "programs/track/error_plot.h"

#include "rendering/chart_style.h"
#include "rendering/target_colours.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavo_cli {

using tavo_eval::kMatchOverlap;

namespace {

using namespace chart_style;

// Layout in pixels: two charts over a shared frame axis, the legend on the
// right.
constexpr int kWidth = 900;
constexpr int kLeftMargin = 80;     // y-axis label and tick numbers
constexpr int kLegendWidth = 130;
constexpr int kTopMargin = 40;      // the title
constexpr int kErrorChartHeight = 290;
constexpr int kChartGap = 50;       // the lower chart's title
constexpr int kOverlapChartHeight = 150;
constexpr int kBottomMargin = 50;   // frame numbers and the axis label
constexpr int kHeight = kTopMargin + kErrorChartHeight + kChartGap + kOverlapChartHeight + kBottomMargin;
constexpr int kMaxTicks = 8;
constexpr int kTickLength = 4;
constexpr int kDashLength = 6;
// The legend: its narrowest and widest column, and the room of a row
// before its text (the line in the target's colour).
constexpr int kLegendMaxWidth = kWidth / 3;
constexpr int kLegendGap = 16;
constexpr int kLegendTextX = 26;
// Numbers below this are written as whole numbers when they are.
constexpr double kLargestWholeNumber = 1e15;

const cv::Scalar kFailureZone(235, 235, 255);  // light red: overlap below the threshold
const cv::Scalar kThresholdInk(30, 30, 170);

// A chart's area on the picture and the value ranges it shows.
struct Chart {
    cv::Rect area;
    double x0, x1, y0, y1;

    cv::Point at(double x, double y) const
    {
        const double u = (x - x0) / (x1 - x0), v = (y - y0) / (y1 - y0);
        return {area.x + static_cast<int>(std::lround(u * (area.width - 1))),
                area.y + area.height - 1 - static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * (area.height - 1)))};
    }
};

// Whole numbers are written whole ("2147483647", not "2.14748e+09").
std::string number(double v)
{
    char text[48];
    if (std::fabs(v) < 1e-9)
        v = 0.0;
    if (v == std::floor(v) && std::fabs(v) < kLargestWholeNumber)
        std::snprintf(text, sizeof text, "%.0f", v);
    else
        std::snprintf(text, sizeof text, "%g", v);
    return text;
}

void text(cv::Mat& picture, const std::string& s, cv::Point at, double scale = kTextScale)
{
    cv::putText(picture, s, at, kFont, scale, kInk, 1, cv::LINE_AA);
}

cv::Size textSize(const std::string& s, double scale = kTextScale)
{
    int baseline = 0;
    return cv::getTextSize(s, kFont, scale, 1, &baseline);
}

// Text turned a quarter left, reading upward, centred on `centre`.
void upwardText(cv::Mat& picture, const std::string& s, cv::Point centre)
{
    const cv::Size size = textSize(s);
    cv::Mat strip(size.height + 8, size.width + 4, CV_8UC3, kWhite);
    text(strip, s, {2, size.height + 2});
    cv::rotate(strip, strip, cv::ROTATE_90_COUNTERCLOCKWISE);
    const cv::Rect where(centre.x - strip.cols / 2, centre.y - strip.rows / 2, strip.cols, strip.rows);
    if ((where & cv::Rect(0, 0, picture.cols, picture.rows)) == where)
        strip.copyTo(picture(where));
}

// Grid, frame, ticks and tick numbers; the frame numbers only when asked.
void drawAxes(cv::Mat& picture, const Chart& c, double yStep, bool frameNumbers)
{
    for (double y = c.y0; y <= c.y1 + 1e-9; y += yStep) {
        const cv::Point p = c.at(c.x0, y);
        cv::line(picture, p, c.at(c.x1, y), kGrid, 1);
        cv::line(picture, p, p - cv::Point(kTickLength, 0), kInk, 1);
        const std::string s = number(y);
        const cv::Size size = textSize(s);
        text(picture, s, {p.x - kTickLength - 3 - size.width, p.y + size.height / 2});
    }
    for (const int x : frameTicks(static_cast<int>(c.x0), static_cast<int>(c.x1))) {
        const cv::Point p = c.at(x, c.y0);
        cv::line(picture, p, p + cv::Point(0, kTickLength), kInk, 1);
        if (frameNumbers) {
            const std::string s = number(x);
            const cv::Size size = textSize(s);
            text(picture, s, {p.x - size.width / 2, p.y + kTickLength + 4 + size.height});
        }
    }
    cv::rectangle(picture, c.area, kInk, 1);
}

// One target's values as a line, broken where frames are missing.
void drawCurve(cv::Mat& picture, const Chart& c, const std::vector<FrameScore>& scores, double FrameScore::*value,
               const cv::Scalar& colour)
{
    std::vector<cv::Point> run;
    int lastFrame = 0;
    const auto flush = [&] {
        if (run.size() == 1)
            cv::circle(picture, run.front(), 1, colour, cv::FILLED);
        cv::polylines(picture, run, false, colour, 1, cv::LINE_8);  // crisp, in the exact colour
        run.clear();
    };
    for (const FrameScore& s : scores) {
        if (!run.empty() && s.frame != lastFrame + 1)
            flush();
        run.push_back(c.at(s.frame, s.*value));
        lastFrame = s.frame;
    }
    flush();
}

void dashedLine(cv::Mat& picture, cv::Point from, cv::Point to, const cv::Scalar& colour)
{
    for (int x = from.x; x < to.x; x += 2 * kDashLength)
        cv::line(picture, {x, from.y}, {std::min(x + kDashLength, to.x), to.y}, colour, 1);
}

}  // namespace

std::string errorPlotName(const std::string& plotName)
{
    // The name ends in ".png" (the option demands it).
    return plotName.substr(0, plotName.size() - 4) + "-errors.png";
}

double tickStep(double range, int maxTicks)
{
    if (!(range > 0) || maxTicks < 1)
        return 1.0;
    double power = std::pow(10.0, std::floor(std::log10(range / maxTicks)));
    for (;;) {
        for (const double m : {1.0, 2.0, 5.0})
            if (range / (m * power) <= maxTicks)
                return m * power;
        power *= 10.0;
    }
}

std::vector<int> frameTicks(int first, int last)
{
    // Ticks on whole frames only: at least a frame apart.
    const double step = std::max(1.0, tickStep(static_cast<double>(last) - first, kMaxTicks));
    std::vector<int> ticks;
    for (double x = std::ceil(first / step) * step; x <= last; x += step)
        ticks.push_back(static_cast<int>(x));
    return ticks;
}

std::string legendEntry(int id, const std::vector<FrameScore>& scores)
{
    if (scores.empty())
        return std::to_string(id) + "  -";
    double sum = 0.0;
    for (const FrameScore& f : scores)
        sum += f.error;
    char mean[64];
    std::snprintf(mean, sizeof mean, "%.2f px", sum / scores.size());
    return std::to_string(id) + "  " + mean;
}

cv::Mat drawErrorPlot(const std::vector<int>& ids, const std::vector<std::vector<FrameScore>>& scores)
{
    cv::Mat picture(kHeight, kWidth, CV_8UC3, kWhite);
    int first = 0, last = 0;
    double maxError = 0.0;
    for (const auto& target : scores)
        for (const FrameScore& s : target) {
            first = first == 0 ? s.frame : std::min(first, s.frame);
            last = std::max(last, s.frame);
            if (std::isfinite(s.error))
                maxError = std::max(maxError, s.error);
        }

    std::vector<std::string> legend;
    int legendWidth = kLegendWidth;
    for (size_t k = 0; k < ids.size() && k < scores.size(); ++k) {
        legend.push_back(legendEntry(ids[k], scores[k]));
        legendWidth = std::max(legendWidth, kLegendGap + kLegendTextX + textSize(legend.back()).width + 4);
    }
    legendWidth = std::min(legendWidth, kLegendMaxWidth);
    const int chartWidth = kWidth - kLeftMargin - legendWidth;
    const double x0 = first, x1 = std::max(last, first + 1);
    const double errorStep = tickStep(std::max(maxError, 1.0), kMaxTicks);
    const double errorTop = std::max(1.0, std::ceil(maxError / errorStep)) * errorStep;
    const Chart errors{{kLeftMargin, kTopMargin, chartWidth, kErrorChartHeight}, x0, x1, 0.0, errorTop};
    const Chart overlaps{{kLeftMargin, kTopMargin + kErrorChartHeight + kChartGap, chartWidth, kOverlapChartHeight},
                         x0, x1, 0.0, 1.0};

    text(picture, "Centre error against the ground truth, per target", {kLeftMargin, kTopMargin - 14}, kTitleScale);
    text(picture, "Overlap with the ground truth (success: overlap >= " + number(kMatchOverlap) + ")",
         {kLeftMargin, overlaps.area.y - 14}, kTitleScale);

    // The failure zone under the threshold, then grid and axes.
    cv::rectangle(picture, cv::Rect(overlaps.at(x0, kMatchOverlap), overlaps.at(x1, 0.0) + cv::Point(1, 1)),
                  kFailureZone, cv::FILLED);
    drawAxes(picture, errors, errorStep, false);
    drawAxes(picture, overlaps, 0.25, true);
    upwardText(picture, "centre error (px)", {kLeftMargin / 4, errors.area.y + errors.area.height / 2});
    upwardText(picture, "overlap", {kLeftMargin / 4, overlaps.area.y + overlaps.area.height / 2});
    const std::string frameLabel = "frame";
    text(picture, frameLabel,
         {overlaps.area.x + (overlaps.area.width - textSize(frameLabel).width) / 2, kHeight - 8});

    if (last == 0) {
        text(picture, "no frame with ground truth for these targets",
             {errors.area.x + 20, errors.area.y + errors.area.height / 2});
        return picture;
    }
    for (size_t k = 0; k < ids.size() && k < scores.size(); ++k) {
        const cv::Scalar colour = targetColour(ids[k]);
        drawCurve(picture, errors, scores[k], &FrameScore::error, colour);
        drawCurve(picture, overlaps, scores[k], &FrameScore::overlap, colour);
    }
    const cv::Point left = overlaps.at(x0, kMatchOverlap), right = overlaps.at(x1, kMatchOverlap);
    dashedLine(picture, left, right, kThresholdInk);
    const std::string threshold = "success threshold";
    const cv::Size size = textSize(threshold);
    cv::putText(picture, threshold, {right.x - size.width - 4, right.y - 5}, kFont, kTextScale, kThresholdInk, 1,
                cv::LINE_AA);

    // The legend: per target a short line, its id and its mean error, as
    // many as fit.
    const int legendX = kLeftMargin + chartWidth + kLegendGap;
    const int rowHeight = 20;
    const int legendTextWidth = kWidth - legendX - kLegendTextX - 4;
    text(picture, "id, mean error", {legendX, kTopMargin + 4});
    for (size_t k = 0; k < legend.size(); ++k) {
        const int y = kTopMargin + 10 + static_cast<int>(k + 1) * rowHeight;
        if (y + rowHeight > kHeight)
            break;
        cv::line(picture, {legendX, y}, {legendX + 20, y}, targetColour(ids[k]), 2, cv::LINE_AA);
        // An entry wider than the widest column is written smaller, whole.
        const int width = textSize(legend[k]).width;
        const double scale = width > legendTextWidth ? kTextScale * legendTextWidth / width : kTextScale;
        text(picture, legend[k], {legendX + kLegendTextX, y + 5}, scale);
    }
    return picture;
}

}  // namespace tavo_cli
