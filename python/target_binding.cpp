#include "python/target_binding.h"

#include "settings/number_text.h"

#include <pybind11/numpy.h>

#include <stdexcept>

#include <string>

namespace py = pybind11;

namespace tavo_python {

namespace {

std::string typeName(py::handle value) { return py::str(py::type::handle_of(value).attr("__name__")); }

// True and False, numpy's too, are not numbers here.
bool isBool(py::handle value)
{
    return PyBool_Check(value.ptr()) || py::isinstance(value, py::module_::import("numpy").attr("bool_"));
}

bool isInteger(py::handle value) { return !isBool(value) && PyIndex_Check(value.ptr()); }

std::string integerText(py::handle value) { return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()))); }

}  // namespace

Box boxFrom(py::handle b)
{
    const std::string shown = py::repr(b);
    const bool sequence =
        !PyUnicode_Check(b.ptr()) && (py::isinstance<py::sequence>(b) || py::isinstance<py::array>(b));
    if (!sequence || py::len(b) != 4)
        throw py::type_error("box " + shown + ": expected four integers (x, y, w, h)");
    std::string text;
    for (py::handle v : b) {
        if (!isInteger(v))
            throw py::type_error("box " + shown + ": expected four integers (x, y, w, h), not " + typeName(v));
        text += (text.empty() ? "" : ",") + integerText(v);
    }
    std::string why;
    const auto box = parseBox(text, why);
    if (!box)
        throw py::value_error("box " + shown + ": " + why);
    return *box;
}

int idFrom(py::handle value, bool noneAllowed)
{
    if (noneAllowed && value.is_none())
        return 0;
    if (!isInteger(value))
        throw py::type_error("a target id is an integer, not " + typeName(value));
    const auto id = parseInt(integerText(value));
    if (!id)
        throw py::value_error("id " + std::string(py::repr(value)) + " does not fit in 32 bits");
    return *id;
}

int addTargetTo(TrackingSession& session, const Box& box, int id)
{
    std::string error;
    const int added = session.addTarget(box, id, error);
    // The box's or the id's fault, in words that begin with the target;
    // otherwise the store's.
    if (added == 0 && error.rfind("target ", 0) == 0)
        throw py::value_error(error);
    if (added == 0)
        throw std::runtime_error(error);
    return added;
}

void removeTargetFrom(TrackingSession& session, int id)
{
    std::string error;
    if (!session.removeTarget(id, error))
        throw py::value_error(error);
}

void reinitTargetOf(TrackingSession& session, int id, const Box& box)
{
    std::string error;
    if (!session.reinitTarget(id, box, error))
        throw py::value_error(error);
}

}  // namespace tavo_python
