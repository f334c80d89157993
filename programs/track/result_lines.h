#pragma once

// The lines of the result files: MOTChallenge boxes and the estimates CSV.

#include "support/box.h"
#include "session/tracking_session.h"

#include <optional>
#include <string>

namespace tavo_cli {

// "frame,id,x,y,w,h,1,-1,-1,-1\n" with x, y, w and h to two decimals (a
// value that rounds to zero is written 0.00, never -0.00); with a
// confidence in [0, 1], that with four decimals instead of the 1; without
// one, 0 instead of the 1 for a box wholly outside the frame.
std::string motLine(int frame, int id, const RealBox& box, std::optional<double> confidence = std::nullopt,
                    bool inFrame = true);

// The estimates CSV: its header line and one line per target and frame,
// every float with %.9g so that it reads back to the same float.
// With `withState` (--states) each line ends with the target's state
// (tracked, hidden or lost), and the header with "state".
extern const char* const kEstimatesHeader;
extern const char* const kEstimatesHeaderWithStates;
std::string estimateLine(int frame, const TrackedTarget& target, bool withState = false);

// The --confidence-terms CSV: its header and one line per target and frame
// whose calibrated confidence was computed, every number with %.9g.
extern const char* const kConfidenceTermsHeader;
std::string confidenceTermsLine(int frame, const TrackedTarget& target);

}  // namespace tavo_cli
