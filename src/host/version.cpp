// The version queries. Each writes its version text and reports the three digits after
// "0." as a status, one digit a byte: "0.651" is 0x060501.
#include <cstring>

#include "command_decls.h"
#include "host/results.h"
#include "host/version.h"

namespace qv::host {

namespace {

constexpr int32_t digits_status(const char (&text)[6]) {
    return ((text[2] - '0') << 16) | ((text[3] - '0') << 8) | (text[4] - '0');
}

int32_t report_version(char* buffer, const char (&text)[6]) {
    if (buffer) std::memcpy(buffer, text, sizeof text);  // five characters and the zero
    return host::status(digits_status(text));
}

static_assert(digits_status(QV_JPEG_VERSION_TEXT) == 0x060501);
static_assert(digits_status(QV_TOBEXT_VERSION_TEXT) == 0x080001);

}  // namespace

int32_t GetQuorvelVer(int32_t, int32_t, int32_t, char* buffer) {
    return report_version(buffer, QV_JPEG_VERSION_TEXT);
}

int32_t GetTobExtVer(int32_t, int32_t, int32_t, char* buffer) {
    return report_version(buffer, QV_TOBEXT_VERSION_TEXT);
}

}  // namespace qv::host
