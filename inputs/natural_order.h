#pragma once

// The order people number files in: runs of digits compare as numbers, so
// that img2 comes before img10.

#include <string>

// Whether `a` comes before `b`: text compared character by character, a run
// of digits against a run of digits by its value; names equal so (img01 and
// img1) are ordered as plain text, so that the order is total.
bool naturalLess(const std::string& a, const std::string& b);
