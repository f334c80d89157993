#include "cli/run_plots.h"

#include "cli/error_plot.h"
#include "cli/path_plot.h"

#include <opencv2/imgcodecs.hpp>

namespace tavo_cli {

namespace {

bool writePng(const std::string& name, const cv::Mat& picture, std::string& error)
{
    bool written = false;
    try {
        written = cv::imwrite(name, picture);
    } catch (const cv::Exception&) {
        written = false;
    }
    if (!written)
        error = "cannot write the picture '" + name + "'";
    return written;
}

}  // namespace

bool writePlots(const std::string& plotName, const cv::Mat& firstFrame, const std::vector<TargetPath>& paths,
                const Scorer* scorer, std::string& error)
{
    if (!writePng(plotName, drawPathPlot(firstFrame, paths), error))
        return false;
    return !scorer ||
           writePng(errorPlotName(plotName), drawErrorPlot(scorer->trackerIds(), scorer->frameScores()), error);
}

}  // namespace tavo_cli
