#include "python/evaluation_binding.h"

#include "evaluation/folder_layout.h"

#include <set>
#include <vector>

namespace tavo_python {

namespace py = pybind11;

namespace {

// The CSV's columns that hold counts; the others hold fractions.
const std::set<std::string> kCountColumns = {"IDSW", "MT", "PT", "ML", "Frag"};

// Text holding file names, as os.fsdecode reads them.
py::str fsText(const std::string& text)
{
    PyObject* str = PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (!str)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

// A row as tavo-eval --csv writes it: each value read back from its text.
py::dict rowDict(const tavo_eval::ScoreRow& row)
{
    py::dict d;
    d["tracker"] = fsText(row.tracker);
    d["sequence"] = fsText(row.sequence);
    const std::vector<std::string>& columns = tavo_eval::summaryColumns();
    const std::vector<std::string> fields = tavo_eval::summaryFields(tavo_eval::summarise(row.evaluation));
    for (size_t i = 0; i < columns.size(); ++i) {
        const py::str name(columns[i]);
        if (kCountColumns.count(columns[i]))
            d[name] = py::int_(std::stoll(fields[i]));
        else
            d[name] = py::float_(std::stod(fields[i]));
    }
    return d;
}

}  // namespace

py::list evaluateFolders(const std::string& truthFolder, const std::string& trackersFolder, const std::string& seqmap)
{
    const tavo_eval::FolderLayout layout{truthFolder, trackersFolder, seqmap, "gt_folder", "trackers_folder"};
    tavo_eval::Warnings warnings;
    std::vector<tavo_eval::ScoreRow> rows;
    std::string fault;
    {
        py::gil_scoped_release unlocked;  // reading and scoring touch no Python object
        try {
            rows = tavo_eval::scoreFolderLayout(layout, warnings);
        } catch (const tavo_eval::EvaluationInputError& e) {
            fault = e.what();
        }
    }
    const py::object warn = py::module_::import("warnings").attr("warn");
    for (const std::string& w : warnings)
        warn(fsText(w), py::handle(PyExc_UserWarning), py::arg("stacklevel") = 2);
    if (!fault.empty()) {
        PyErr_SetObject(PyExc_ValueError, fsText(fault).ptr());
        throw py::error_already_set();
    }
    py::list out;
    for (const auto& row : rows)
        out.append(rowDict(row));
    return out;
}

}  // namespace tavo_python
