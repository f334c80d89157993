#include "programs/track/run_plots.h"

#include "programs/track/error_plot.h"
#include "programs/track/path_plot.h"

namespace tavo_cli {

bool writePlots(Outputs& outputs, const cv::Mat& firstFrame, const std::vector<TargetPath>& paths,
                const Scorer* scorer, std::string& error)
{
    if (!outputs.writePlot(drawPathPlot(firstFrame, paths), error))
        return false;
    return !scorer || outputs.writeErrorPlot(drawErrorPlot(scorer->trackerIds(), scorer->frameScores()), error);
}

}  // namespace tavo_cli
