// Pieces shared by the JPEG command adapters (DLL only: they read host records).
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::jpeg {

// Stores a picture's width and height in data[0] and data[1] of an integer variable, as far
// as its storage reaches.
void store_size(host::PVAL* var, int32_t width, int32_t height);

}  // namespace qv::jpeg
