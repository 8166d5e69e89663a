// The results table expanded into rows and the groups each command shares (see
// result_meanings.h).
#include "result_meanings.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qv::run {

namespace {

struct Row {
    const char* who;  // a command or a group
    bool host_error;  // the result is the number itself, not a negated status
    int64_t low, high;
    const char* meaning;
};

constexpr Row kRows[] = {
#define GROUP(name, title)
#define SHARES(command, group)
#define STATUS(who, value, meaning) {#who, false, value, value, meaning},
#define STATUSES(who, low, high, meaning) {#who, false, low, high, meaning},
#define ERR(who, number, meaning) {#who, true, number, number, meaning},
#include "results.h"
#undef GROUP
#undef SHARES
#undef STATUS
#undef STATUSES
#undef ERR
};

struct Share {
    const char* command;
    const char* group;
};

constexpr Share kShares[] = {
#define GROUP(name, title)
#define SHARES(command, group) {#command, #group},
#define STATUS(who, value, meaning)
#define STATUSES(who, low, high, meaning)
#define ERR(who, number, meaning)
#include "results.h"
#undef GROUP
#undef SHARES
#undef STATUS
#undef STATUSES
#undef ERR
};

// Each command's rows: its own first, then those of the groups it shares. Built once, as the
// test host asks for every call it makes (seventy thousand in a row for the leak checks).
const std::unordered_map<std::string_view, std::vector<const Row*>>& rows_by_command() {
    static const auto index = [] {
        std::unordered_map<std::string_view, std::vector<const Row*>> by_who, out;
        for (const Row& r : kRows) by_who[r.who].push_back(&r);
        for (const Row& r : kRows) out[r.who].push_back(&r);
        for (const Share& s : kShares) {
            auto& rows = out[s.command];
            for (const Row* r : by_who[s.group]) rows.push_back(r);
        }
        for (auto& [who, rows] : out)
            if (who != "EveryCommand")
                for (const Row* r : by_who["EveryCommand"]) rows.push_back(r);
        return out;
    }();
    return index;
}

}  // namespace

// A host error is the result itself; a status is the negated result, so that the status of
// INT32_MIN (2147483648) has a value too. A status range may hold negative statuses, which
// reach the host as positive results.
const char* result_meaning(std::string_view command, int32_t result) {
    const auto& index = rows_by_command();
    const auto found = index.find(command);
    if (found == index.end()) return nullptr;
    const int64_t status = -int64_t(result);
    for (const Row* r : found->second)
        if (r->host_error ? result > 0 && result == r->low : status >= r->low && status <= r->high) return r->meaning;
    return nullptr;
}

}  // namespace qv::run
