// Truncation of a double to a 32-bit signed integer: toward zero, and
// -2147483648 for NaN or any value outside the 32-bit range, without the
// undefined behaviour of a plain cast.
#pragma once

#include <cmath>
#include <cstdint>

namespace camdrift {

inline int32_t truncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

}  // namespace camdrift
