#include "programs/track/result_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavo_cli {

namespace {

// v to two decimals, without a minus sign on zero.
std::string twoDecimals(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return std::strcmp(text, "-0.00") == 0 ? std::string("0.00") : std::string(text);
}

}  // namespace

std::string motLine(int frame, int id, const RealBox& b, std::optional<double> confidence, bool inFrame)
{
    char conf[32] = "1";
    if (!inFrame)
        conf[0] = '0';
    if (confidence)
        std::snprintf(conf, sizeof conf, "%.4f", std::min(1.0, std::max(0.0, *confidence)));
    return std::to_string(frame) + "," + std::to_string(id) + "," + twoDecimals(b.x) + "," + twoDecimals(b.y) + "," +
           twoDecimals(b.width) + "," + twoDecimals(b.height) + "," + conf + ",-1,-1,-1\n";
}

const char* const kEstimatesHeader = "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y\n";
const char* const kEstimatesHeaderWithStates = "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y,state\n";

std::string estimateLine(int frame, const TrackedTarget& t, bool withState)
{
    char line[256];
    std::snprintf(line, sizeof line, "%d,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g%s%s\n", frame, t.id, t.x, t.y, t.velocityX,
                  t.velocityY, t.scaleX, t.scaleY, withState ? "," : "", withState ? stateName(t.state) : "");
    return line;
}

const char* const kConfidenceTermsHeader =
    "frame,id,x,y,w,h,best_ratio,similarity,spread,sample_share,similarity_ratio,fit_agreement,"
    "foreground_share,poor_share,confidence\n";

std::string confidenceTermsLine(int frame, const TrackedTarget& t)
{
    const ConfidenceTerms& c = t.terms;
    char line[512];
    std::snprintf(line, sizeof line, "%d,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", frame,
                  t.id, t.box.x, t.box.y, t.box.width, t.box.height, c.bestRatio, c.similarity, c.spread,
                  c.sampleShare, c.similarityRatio, c.fitAgreement, c.foregroundShare, c.poorShare, t.confidence);
    return line;
}

}  // namespace tavo_cli
