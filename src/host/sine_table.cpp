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

}  // namespace

const int16_t* sine_table() {
    static const Table table;
    return table.entries;
}

}  // namespace qv::host
