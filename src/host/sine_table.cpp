// The shared sine table (see sine_table.h).
#include "host/sine_table.h"

#include <cmath>

namespace qv::host {

namespace {

struct Table {
    int16_t entries[360];
    Table() {
        const double pi = 3.14159265358979323846;
        for (int i = 0; i < 180; ++i) entries[i] = int16_t(std::sin(i * pi / 180.0) * 4096.0 + 0.5);
        for (int i = 180; i < 360; ++i) entries[i] = int16_t(-entries[i - 180]);
    }
};

// Built when the library is loaded, not on first use: a function's own static would be
// guarded by the runtime, whose lock may need memory that a command cannot report missing.
const Table table;

}  // namespace

const int16_t* sine_table() { return table.entries; }

}  // namespace qv::host
