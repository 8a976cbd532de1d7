// The 80-bit extended float of the component stream and a double.
#pragma once

#include <cstdint>

namespace klice {

double ExtendedToDouble(const uint8_t bytes[10]);
void DoubleToExtended(double value, uint8_t bytes[10]);

}  // namespace klice
