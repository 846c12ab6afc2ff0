// Windows of the example sub-band canceller (see ec_windows.cpp).
#ifndef VOKSC_EXAMPLE_EC_WINDOWS_H
#define VOKSC_EXAMPLE_EC_WINDOWS_H

namespace ecex {

extern const float kHalfShiftWindow128[64];
extern const float kHalfShiftWindow256[128];

}  // namespace ecex

#endif  // VOKSC_EXAMPLE_EC_WINDOWS_H
