// The results table expanded into its lines, and from them the rows and the groups each
// command shares (see result_meanings.h).
#include "result_meanings.h"

#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::run {

namespace {

using Row = ResultRow;

// The table's lines in its order: the one expansion of results.h.
constexpr TableLine kLines[] = {
#define GROUP(name, title) {TableLine::kGroup, #name, title, {}},
#define SHARES(command, group) {TableLine::kShares, #command, #group, {}},
#define FAULT(value, meaning) {TableLine::kRow, "", nullptr, {"", false, value, value, meaning}},
#define STATUS(who, value, meaning) {TableLine::kRow, #who, nullptr, {#who, false, value, value, meaning}},
#define STATUSES(who, low, high, meaning) {TableLine::kRow, #who, nullptr, {#who, false, low, high, meaning}},
#define ERR(who, number, meaning) {TableLine::kRow, #who, nullptr, {#who, true, number, number, meaning}},
#include "results.h"
#undef GROUP
#undef SHARES
#undef FAULT
#undef STATUS
#undef STATUSES
#undef ERR
};

// The rows alone, in order. The fault row has no command: it is found by its empty name.
const std::vector<Row>& rows() {
    static const std::vector<Row> all = [] {
        std::vector<Row> out;
        for (const TableLine& l : kLines)
            if (l.what == TableLine::kRow) out.push_back(l.row);
        return out;
    }();
    return all;
}

const Row& fault_row() {
    static const Row* const fault = [] {
        for (const Row& r : rows())
            if (!*r.who) return &r;
        return static_cast<const Row*>(nullptr);
    }();
    return *fault;
}

// Each command's rows: its own first, then those of the groups it shares. Built once, as the
// test host asks for every call it makes (seventy thousand in a row for the leak checks).
const std::unordered_map<std::string_view, std::vector<const Row*>>& rows_by_command() {
    static const auto index = [] {
        std::unordered_map<std::string_view, std::vector<const Row*>> by_who, out;
        for (const Row& r : rows()) by_who[r.who].push_back(&r);
        for (const Row& r : rows()) out[r.who].push_back(&r);
        for (const TableLine& l : kLines) {
            if (l.what != TableLine::kShares) continue;
            auto& command_rows = out[l.who];
            for (const Row* r : by_who[l.name]) command_rows.push_back(r);
        }
        return out;
    }();
    return index;
}

bool lists(const Row& r, int32_t result) {
    // A host error is the result itself; a status is the negated result, so that the status
    // of INT32_MIN (2147483648) has a value too. A status range may hold negative statuses,
    // which reach the host as positive results.
    const int64_t status = -int64_t(result);
    return r.host_error ? result > 0 && result == r.low : status >= r.low && status <= r.high;
}

}  // namespace

const ResultRow* result_row(std::string_view command, int32_t result) {
    const auto& index = rows_by_command();
    const auto found = index.find(command);
    if (found == index.end() || fault_meaning(result)) return nullptr;
    for (const Row* r : found->second)
        if (lists(*r, result)) return r;
    return nullptr;
}

const char* result_meaning(std::string_view command, int32_t result) {
    const ResultRow* r = result_row(command, result);
    return r ? r->meaning : nullptr;
}

const char* fault_meaning(int32_t result) { return lists(fault_row(), result) ? fault_row().meaning : nullptr; }

const ResultRow* result_rows(size_t& count) {
    count = rows().size();
    return rows().data();
}

const TableLine* table_lines(size_t& count) {
    count = std::size(kLines);
    return kLines;
}

}  // namespace qv::run
