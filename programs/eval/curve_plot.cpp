#include "programs/eval/curve_plot.h"

#include "rendering/chart_style.h"
#include "rendering/target_colours.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <numeric>

namespace tavo_eval_cli {

namespace {

using namespace chart_style;

// Layout in pixels: two square-ish charts, the legend below them.
constexpr int kChartWidth = 400;
constexpr int kChartHeight = 300;
constexpr int kLeftMargin = 60;   // the tick numbers of the first chart
constexpr int kChartGap = 80;     // the tick numbers of the second chart
constexpr int kTopMargin = 40;    // the titles
constexpr int kAxisRoom = 50;     // tick numbers and the axis label
constexpr int kRightMargin = 30;
constexpr int kLegendRow = 20;
constexpr int kLegendLine = 30;   // the sample of the tracker's line
constexpr int kTicks = 6;         // ticks per axis, both ends included: 0, 0.2, ..., 1 and 0, 10, ..., 50 px
constexpr int kTickLength = 4;
constexpr int kCurveThickness = 2;

struct Chart {
    cv::Rect area;
    double xMax;  // x runs from 0; y from 0 to 1

    cv::Point at(double x, double y) const
    {
        return {area.x + static_cast<int>(std::lround(x / xMax * (area.width - 1))),
                area.y + area.height - 1 - static_cast<int>(std::lround(y * (area.height - 1)))};
    }
};

void text(cv::Mat& picture, const std::string& s, cv::Point at, double scale = kTextScale)
{
    cv::putText(picture, s, at, kFont, scale, kInk, 1, cv::LINE_AA);
}

std::string decimals(double v, int places)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.*f", places, v);
    return t;
}

void drawChart(cv::Mat& picture, const Chart& c, const std::string& title, const std::string& xLabel, int xPlaces)
{
    for (int k = 0; k < kTicks; ++k) {
        const double f = k / double(kTicks - 1);
        cv::line(picture, c.at(0, f), c.at(c.xMax, f), kGrid, 1);
        cv::line(picture, c.at(f * c.xMax, 0), c.at(f * c.xMax, 1), kGrid, 1);
        const cv::Point y = c.at(0, f), x = c.at(f * c.xMax, 0);
        text(picture, decimals(f, 2), {y.x - kTickLength - 36, y.y + 5});
        text(picture, decimals(f * c.xMax, xPlaces), {x.x - 12, x.y + kTickLength + 16});
    }
    cv::rectangle(picture, c.area, kInk, 1);
    text(picture, title, {c.area.x, kTopMargin - 14}, kTitleScale);
    text(picture, xLabel, {c.area.x + c.area.width / 2 - 60, c.area.y + c.area.height + kAxisRoom - 8});
}

template <size_t N>
void drawCurve(cv::Mat& picture, const Chart& c, const std::array<double, N>& values, double step,
               const cv::Scalar& colour)
{
    for (size_t k = 1; k < N; ++k)
        cv::line(picture, c.at((k - 1) * step, values[k - 1]), c.at(k * step, values[k]), colour, kCurveThickness,
                 cv::LINE_AA);
}

}  // namespace

cv::Mat drawCurvePlot(const std::vector<PlottedTracker>& trackers)
{
    const int chartsBottom = kTopMargin + kChartHeight + kAxisRoom;
    const int width = kLeftMargin + 2 * kChartWidth + kChartGap + kRightMargin;
    const int height = chartsBottom + kLegendRow * static_cast<int>(trackers.size()) + kLegendRow;
    cv::Mat picture(height, width, CV_8UC3, kWhite);
    const Chart success{{kLeftMargin, kTopMargin, kChartWidth, kChartHeight}, 1.0};
    const Chart precision{{kLeftMargin + kChartWidth + kChartGap, kTopMargin, kChartWidth, kChartHeight},
                          double(tavo_eval::kPrecisionSteps - 1)};
    drawChart(picture, success, "Success: share of frames with overlap > threshold", "overlap threshold", 2);
    drawChart(picture, precision, "Precision: share with centre error <= threshold", "error threshold (px)", 0);

    for (size_t i = 0; i < trackers.size(); ++i) {
        const cv::Scalar colour = targetColour(static_cast<int>(i) + 1);
        const tavo_eval::MeanCurves& m = trackers[i].curves;
        drawCurve(picture, success, m.success, 1.0 / (tavo_eval::kSuccessSteps - 1), colour);
        drawCurve(picture, precision, m.precision, 1.0, colour);
        const double auc = std::accumulate(m.success.begin(), m.success.end(), 0.0) / m.success.size();
        const int y = chartsBottom + kLegendRow * static_cast<int>(i) + kLegendRow / 2;
        cv::line(picture, {kLeftMargin, y}, {kLeftMargin + kLegendLine, y}, colour, kCurveThickness, cv::LINE_AA);
        text(picture, trackers[i].name + "   AUC " + decimals(auc, 3) + "   precision at 20 px " +
                          decimals(m.precision[tavo_eval::kPrecisionReported], 3),
             {kLeftMargin + kLegendLine + 8, y + 5});
    }
    return picture;
}

}  // namespace tavo_eval_cli
