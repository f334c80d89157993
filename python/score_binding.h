#pragma once

// tavo.score: tracks scored against a MOTChallenge ground-truth file as
// tavo-track --gt scores them.

#include <pybind11/pybind11.h>

namespace tavo_python {

void defineScore(pybind11::module_& m);

}  // namespace tavo_python
