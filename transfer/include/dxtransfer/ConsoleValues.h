// The console's values the jobs write into (they live with the parameters,
// which the setting-file loader shares).
#pragma once

#include "dxparams/ConsoleValues.h"

namespace dxtransfer {
using dxparams::Check;
using dxparams::ControlName;
using dxparams::IConsoleValues;
using dxparams::InvalidValue;
using dxparams::List;
using dxparams::OptionGroup;
using dxparams::Slider;
}  // namespace dxtransfer
