#pragma once

// Settings as keyword arguments: snake_case names of the settings table,
// set as the options' texts, and given back as Python values.

#include "settings/tracking_settings.h"

#include <pybind11/pybind11.h>

#include <string>

namespace tavo_python {

// "scale-noise" -> "scale_noise".
std::string snakeCase(std::string name);
// The settings of the keyword arguments: the defaults, or robustSettings()
// when `robust` is true, then every setting given.
TrackingSettings settingsFrom(pybind11::handle robust, const pybind11::kwargs& given);
// Every setting by its keyword, as Python values.
pybind11::dict settingsDict(const TrackingSettings& settings);

}  // namespace tavo_python
