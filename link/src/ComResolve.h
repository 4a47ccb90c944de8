#pragma once

#include <string>
#include <vector>

namespace dxlink::detail {

// Serial device paths among the given /dev entry names, in COM order:
// ttyUSB*, ttyACM*, ttyS*, each numerically.
std::vector<std::string> OrderSerialDevices(const std::vector<std::string>& names);

}  // namespace dxlink::detail
