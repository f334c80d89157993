#pragma once

// The checks a tracking session makes of what it is given and of what it
// computes, in the words its errors use.

#include "support/box.h"
#include "core/sample.h"
#include "session/tracking_session.h"

#include <optional>
#include <string>
#include <vector>

// The ids of the targets: those given, the others numbered after the
// highest given, in order; false with `error` set for a negative id or one
// given twice.
bool assignIds(const std::vector<TargetStart>& targets, std::vector<int>& ids, std::string& error);

// Why a box cannot be tracked on a frame of that size; empty when it can.
// `frameName` names the frame in the reason.
std::string boxProblem(const Box& box, int columns, int rows, const std::string& frameName = "the first frame");

// Why a session cannot start on that first frame with those targets and
// settings; nothing when it can (the boxes are checked once ids are known).
std::optional<std::string> startProblem(const cv::Mat& firstFrame, const std::vector<TargetStart>& targets,
                                        const TrackingSettings& settings);

// Why the tracking has broken down on that frame: an estimate that is not
// finite; nothing while it holds.
std::optional<std::string> brokenDown(const tavo& tracker, int frameNumber);
