#pragma once

// Reading MOTChallenge files: lines of "frame,id,x,y,w,h[,more...]", ground
// truth or detections.  Coordinates are taken in the tracker's pixels,
// column 0 and row 0 first, the same convention the results are written in.

#include "cli/options.h"
#include "support/box.h"

#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

struct MotRecord {
    int frame = 0;
    int id = 0;
    RealBox box;
    int line = 0;  // line number in the file, from 1
};

// Reads every record; blank lines are skipped, further columns ignored.  On
// a malformed line, returns nothing and sets `error` to "NAME:LINE: why".
std::optional<std::vector<MotRecord>> readMotRecords(std::istream& in, const std::string& name,
                                                     std::string& error);

// The target boxes of a targets file: the records of its lowest frame, in
// increasing id order (file order among equal ids), rounded to whole pixels.
// Returns nothing with `error` set when the file is malformed, has no
// records, or a box becomes empty once rounded.
std::optional<std::vector<Box>> readInitialBoxes(std::istream& in, const std::string& name, std::string& error);

// Ground truth by frame number.
using GroundTruth = std::map<int, std::vector<MotRecord>>;
GroundTruth groupByFrame(const std::vector<MotRecord>& records);

}  // namespace tavo_cli
