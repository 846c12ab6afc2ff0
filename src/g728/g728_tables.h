// G.728 constant tables.
#ifndef VOKS_G728_G728_TABLES_H
#define VOKS_G728_G728_TABLES_H

#include <cstdint>

namespace voks::g728 {

extern const int16_t kShapes[640];

}  // namespace voks::g728

#endif  // VOKS_G728_G728_TABLES_H
