// What each result of each command means, from the results table (src/results.h): the
// runner prints the meaning beside every result, the test host fails a test whose call gives
// a result the table does not list, or the library's fault status, and tools/reference writes
// the table into docs/commands.md. Portable: no Win32 here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv::run {

// One row of the table: a command's or a group's.
struct ResultRow {
    const char* who;  // a command or a group
    bool host_error;  // the result is the number itself, not a negated status
    int64_t low, high;
    const char* meaning;
};

// The row that lists `result` (the value the command returned) for the command, its own or a
// shared group's, or null when the table does not list it.
const ResultRow* result_row(std::string_view command, int32_t result);

// Its meaning, or null.
const char* result_meaning(std::string_view command, int32_t result);

// The meaning of the library's fault status when `result` is it, else null: no command gives
// it of its own, and no test accepts it.
const char* fault_meaning(int32_t result);

// Every row of the table, in its order.
const ResultRow* result_rows(size_t& count);

// Every line of the table, in its order: a group's declaration (who: the group, name: its
// title), a command's share of a group (name: the group), or a row.
struct TableLine {
    enum What { kGroup, kShares, kRow } what;
    const char* who;
    const char* name;
    ResultRow row;
};
const TableLine* table_lines(size_t& count);

}  // namespace qv::run
