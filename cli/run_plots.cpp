#include "cli/run_plots.h"

#include "cli/error_plot.h"
#include "cli/path_plot.h"

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

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

bool plotDirectoryExists(const std::string& plotName, std::string& error)
{
    const std::filesystem::path directory = std::filesystem::path(plotName).parent_path();
    std::error_code ec;
    if (directory.empty() || std::filesystem::is_directory(directory, ec))
        return true;
    error = "cannot write the picture '" + plotName + "': no such directory";
    return false;
}

bool writePlots(const std::string& plotName, const cv::Mat& firstFrame, const std::vector<TargetPath>& paths,
                const Scorer* scorer, std::string& error)
{
    if (!writePng(plotName, drawPathPlot(firstFrame, paths), error))
        return false;
    return !scorer ||
           writePng(errorPlotName(plotName), drawErrorPlot(scorer->trackerIds(), scorer->frameScores()), error);
}

}  // namespace tavo_cli
