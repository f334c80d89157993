#pragma once

// A MOTChallenge sequence folder: its frames in img1/, described by
// seqinfo.ini ("[Sequence]" with "frameRate=30" and more).

#include <string>

// Whether `folder` is such a sequence: it holds img1/ and seqinfo.ini.
bool isMotSequence(const std::string& folder);

// The folder of the sequence's frames.
std::string sequenceFrames(const std::string& folder);

// The frame rate seqinfo.ini gives ("frameRate="), 0 when it gives none
// that is a positive number or cannot be read.
double sequenceFrameRate(const std::string& folder);
