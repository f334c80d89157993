#pragma once

// Reading MOTChallenge files: lines of "frame,id,x,y,w,h[,more...]", ground
// truth or detections.  Coordinates are taken in the tracker's pixels,
// column 0 and row 0 first, the same convention the results are written in.

#include "support/box.h"

#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavo_eval {

// The id MOTChallenge detection files give every box: no identity.
constexpr int kNoIdentity = -1;

struct MotRecord {
    int frame = 0;
    int id = 0;
    RealBox box;
    std::optional<double> confidence;  // the seventh column, when it is a number
    int line = 0;                      // line number in the file, from 1
};

// Reads every record.  Lines may end with LF, CR or CR LF; a UTF-8
// byte-order mark at the start is skipped, blank lines too, and columns
// after the seventh are ignored.  On a malformed line, returns nothing and
// sets `error` to "NAME:LINE: why"; an input holding a NUL byte or more than
// kLargestTextInput bytes is refused as readTextInput refuses it ("NAME:
// not a text file (a NUL byte on line 1)"), as soon as it is seen.
std::optional<std::vector<MotRecord>> readMotRecords(std::istream& in, const std::string& name,
                                                     std::string& error);

// A target of a targets file: its id, its first frame and its box there.
struct InitialTarget {
    int id = 0;
    int frame = 0;                // the video's frame it starts on
    Box box;
    int line = 0;                 // of its record
    bool zeroConfidence = false;  // a row MOTChallenge ground truth marks to be ignored
};

// The targets of a targets file from the video's frame `startFrame` on:
// each id starts on its first record at or after that frame; records
// without identity (kNoIdentity, as in detection files) count on the lowest
// frame at or after it alone, numbered in file order after the highest id
// of the file.  Ordered by first frame, then by id; boxes rounded to whole
// pixels.  Returns nothing with `error` set ("NAME:LINE: why") when the
// file is malformed, gives an id below 1 other than kNoIdentity (as --box-id
// refuses it), has no records from `startFrame` on, gives an id twice
// on its first frame, or a box becomes empty once rounded or cannot be
// tracked.
std::optional<std::vector<InitialTarget>> readInitialTargets(std::istream& in, const std::string& name,
                                                             std::string& error, int startFrame = 1);

// Ground truth by frame number.
using GroundTruth = std::map<int, std::vector<MotRecord>>;
GroundTruth groupByFrame(const std::vector<MotRecord>& records);

}  // namespace tavo_eval
