// Pieces shared by the JPEG command adapters (DLL only: they read host records).
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::jpeg {

// Sets data[0] and data[1] of an integer variable to 0, probes the stream, and on success
// stores its width and height there. Returns the command's result (-status).
int32_t size_query(host::PVAL* var, const char* path, int64_t offset);

// Reads the comment or APP12 text into a string variable's first dimension.
int32_t comment_query(host::PVAL* var, const char* path, int32_t kind, int64_t offset);

}  // namespace qv::jpeg
