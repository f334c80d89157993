#pragma once

// Python's values as the library takes them: paths, messages, numbers,
// seeds, boxes and frames, and images handed back as numpy arrays.

#include "session/tracking_session.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace tavo_python {

// A path as Python's own functions take it (str, bytes or os.PathLike),
// kept as the bytes the file system knows it by.
std::string pathFrom(pybind11::handle path);
// The command's text, paths included, as a Python str (as os.fsdecode reads
// a name that is not UTF-8).
pybind11::str pythonText(const std::string& text);
// Raises the exception `type` with the message.
[[noreturn]] void raise(PyObject* type, const std::string& message);

std::string typeName(pybind11::handle value);
bool isBool(pybind11::handle value);
bool isInteger(pybind11::handle value);
bool isReal(pybind11::handle value);
// An integer, of any size, as decimal text.
std::string integerText(pybind11::handle value);
// The shortest text that reads back as the same double.
std::string realText(pybind11::handle value);

// A seed: None draws one.
int64_t seedFrom(pybind11::handle seed);
// The boxes (x, y, w, h) and their ids (None: numbered).
std::vector<TargetStart> targetsFrom(pybind11::handle boxes, pybind11::handle ids);
// What a frame must be, for messages.
extern const char* const kFrameForm;
// The frame copied into a cv::Mat of its own: any strides, views included.
cv::Mat frameFrom(pybind11::handle value);
std::string sizeText(const cv::Size& s);
// A new numpy array holding the image (8-bit BGR, contiguous).
pybind11::array_t<uint8_t> arrayOf(const cv::Mat& image);

}  // namespace tavo_python
