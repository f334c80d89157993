#include "python/python_values.h"

#include "python/target_binding.h"
#include "support/box.h"
#include "settings/number_text.h"
#include "session/tracking_session.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavo_python {

namespace py = pybind11;

// ---------------------------------------------------------------------------
// Paths and messages.  A path is taken as Python's own functions take it
// (str, bytes or os.PathLike) and kept as the bytes the file system knows
// it by; a message naming it reads as os.fsdecode reads the name, so that
// a name that is not UTF-8 is shown, not lost.

std::string pathFrom(py::handle path)
{
    const py::bytes encoded = py::module_::import("os").attr("fsencode")(path);
    std::string bytes = encoded;
    if (bytes.find('\0') != std::string::npos)
        throw py::value_error("embedded null byte");  // as open() refuses it
    return bytes;
}

// The command's text, paths included, as a Python str.
py::str pythonText(const std::string& text)
{
    PyObject* str = PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (!str)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

[[noreturn]] void raise(PyObject* type, const std::string& message)
{
    PyErr_SetObject(type, pythonText(message).ptr());
    throw py::error_already_set();
}


std::string typeName(py::handle value) { return py::str(py::type::handle_of(value).attr("__name__")); }

bool isBool(py::handle value)
{
    if (PyBool_Check(value.ptr()))
        return true;
    const py::object numpy = py::module_::import("numpy");
    return py::isinstance(value, numpy.attr("bool_"));
}

bool isInteger(py::handle value) { return !isBool(value) && PyIndex_Check(value.ptr()); }

bool isReal(py::handle value)
{
    if (isBool(value) || PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()))
        return false;
    return PyFloat_Check(value.ptr()) || PyIndex_Check(value.ptr()) ||
           py::hasattr(py::type::handle_of(value), "__float__");
}

// An integer, of any size, as decimal text.
std::string integerText(py::handle value)
{
    return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
}

// The shortest text that reads back as the same double.
std::string realText(py::handle value)
{
    const double v = PyFloat_AsDouble(value.ptr());
    if (v == -1.0 && PyErr_Occurred())
        throw py::error_already_set();
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}


// ---------------------------------------------------------------------------
// Seeds, boxes, frames.

int64_t seedFrom(py::handle seed)
{
    if (seed.is_none())
        return drawSeed();
    if (!isInteger(seed))
        throw py::type_error("seed takes an integer, not " + typeName(seed));
    const auto value = parseInt64(integerText(seed));
    if (!value)
        throw py::value_error("seed=" + std::string(py::repr(seed)) + ": expected a 64-bit integer");
    return *value;
}

std::vector<TargetStart> targetsFrom(py::handle boxes, py::handle ids)
{
    const auto isSequence = [](py::handle v) {
        return !PyUnicode_Check(v.ptr()) && (py::isinstance<py::sequence>(v) || py::isinstance<py::array>(v));
    };
    if (!isSequence(boxes))
        throw py::type_error("boxes takes a sequence of (x, y, w, h), not " + typeName(boxes));
    std::vector<TargetStart> targets;
    for (py::handle b : boxes)
        targets.push_back(TargetStart{tavo_python::boxFrom(b), 0});
    if (ids.is_none())
        return targets;
    if (!isSequence(ids))
        throw py::type_error("ids takes a sequence of integers, not " + typeName(ids));
    if (py::len(ids) != targets.size())
        throw py::value_error(std::to_string(py::len(ids)) + " ids for " + std::to_string(targets.size()) +
                              " boxes: give one id per box");
    size_t i = 0;
    for (py::handle v : ids) {
        if (!isInteger(v))
            throw py::type_error("ids takes integers, not " + typeName(v));
        const auto id = parseInt(integerText(v));
        if (!id)
            throw py::value_error("id " + std::string(py::repr(v)) + " does not fit in 32 bits");
        targets[i++].id = *id;
    }
    return targets;
}

const char* const kFrameForm = "an 8-bit image of three channels (BGR): a numpy array of dtype uint8, height x width x 3";

// The frame copied into a cv::Mat of its own: any strides, views included.
cv::Mat frameFrom(py::handle value)
{
    if (!py::isinstance<py::array>(value))
        throw py::type_error(std::string("the frame is not ") + kFrameForm + ", but a " + typeName(value));
    const auto array = py::reinterpret_borrow<py::array>(value);
    const py::dtype type = array.dtype();
    if (type.kind() != 'u' || type.itemsize() != 1)
        throw py::type_error(std::string("the frame is not ") + kFrameForm + "; its dtype is " +
                             std::string(py::str(type.attr("name"))));
    if (array.ndim() != 3 || array.shape(2) != 3) {
        std::string shape;
        for (py::ssize_t d = 0; d < array.ndim(); ++d)
            shape += (d ? ", " : "") + std::to_string(array.shape(d));
        throw py::value_error(std::string("the frame is not ") + kFrameForm + "; its shape is (" + shape +
                              (array.ndim() == 1 ? ",)" : ")"));
    }
    if (array.shape(0) == 0 || array.shape(1) == 0 || array.shape(0) > INT_MAX || array.shape(1) > INT_MAX / 3)
        throw py::value_error("the frame is empty or too large: " + std::to_string(array.shape(1)) + "x" +
                              std::to_string(array.shape(0)));
    const int rows = static_cast<int>(array.shape(0));
    const int cols = static_cast<int>(array.shape(1));
    const py::ssize_t rowStep = array.strides(0), colStep = array.strides(1), channelStep = array.strides(2);
    const auto* data = static_cast<const uint8_t*>(array.data());
    cv::Mat frame(rows, cols, CV_8UC3);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* from = data + r * rowStep;
        uint8_t* to = frame.ptr<uint8_t>(r);
        if (colStep == 3 && channelStep == 1) {
            std::memcpy(to, from, static_cast<size_t>(cols) * 3);
            continue;
        }
        for (int c = 0; c < cols; ++c)
            for (int k = 0; k < 3; ++k)
                to[3 * c + k] = from[c * colStep + k * channelStep];
    }
    return frame;
}

std::string sizeText(const cv::Size& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// A new numpy array holding the image (8-bit BGR, contiguous).
py::array_t<uint8_t> arrayOf(const cv::Mat& image)
{
    py::array_t<uint8_t> array({image.rows, image.cols, 3});
    for (int r = 0; r < image.rows; ++r)
        std::memcpy(array.mutable_data(r), image.ptr<uint8_t>(r), static_cast<size_t>(image.cols) * 3);
    return array;
}


}  // namespace tavo_python
