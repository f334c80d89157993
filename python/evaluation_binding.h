#pragma once

// tavo.evaluate: tavo-eval's scoring of the evaluator's folder layout, its
// rows as Python dicts.

#include <pybind11/pybind11.h>

#include <string>

namespace tavo_python {

// The rows of tavo-eval --csv for GT_DIR and TR_DIR (`seqmap` empty: every
// sequence of GT_DIR): a dict per row keyed by the CSV's column names.
// Warnings become UserWarning; a fault raises ValueError.  Paths are the
// file system's bytes.
pybind11::list evaluateFolders(const std::string& truthFolder, const std::string& trackersFolder,
                               const std::string& seqmap);

}  // namespace tavo_python
