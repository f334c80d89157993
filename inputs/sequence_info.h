#pragma once

// A MOTChallenge sequence folder: its frames in img1/, described by
// seqinfo.ini ("[Sequence]" with "frameRate=30" and more).

#include <string>

// The fastest frame rate a sequence may declare: the fastest an AVI file
// keeps (FFmpeg's writer declares 600 frames/s for any faster rate).
constexpr double kFastestSequenceRate = 1000;

// Whether `folder` is such a sequence: it holds img1/ and seqinfo.ini.
bool isMotSequence(const std::string& folder);

// The folder of the sequence's frames.
std::string sequenceFrames(const std::string& folder);

// The frame rate seqinfo.ini gives ("frameRate="); 0 when it gives none or
// cannot be read.  A frameRate that is no number of frames per second
// (empty, not a number, 0 or less, infinite, or faster than
// kFastestSequenceRate) gives 0 with `problem` set, naming the file, the key
// and the value: "'SEQ/seqinfo.ini': frameRate 'abc' is not a number of
// frames per second above 0".
double sequenceFrameRate(const std::string& folder, std::string& problem);
