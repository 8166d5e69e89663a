// The threads of a split job natively: the C++ library's (see parallel.h).
#include <thread>
#include <vector>

#include "simd/parallel.h"

namespace qv::simd {

int32_t processor_count() { return int32_t(std::thread::hardware_concurrency()); }

void run_parts(int32_t parts, void (*work)(void*, int32_t), void* context) {
    std::vector<std::thread> threads;
    for (int32_t i = 1; i < parts; ++i) {
        try {
            threads.emplace_back(work, context, i);
        } catch (...) {
            work(context, i);  // not started: run it here
        }
    }
    work(context, 0);
    for (std::thread& t : threads) t.join();
}

}  // namespace qv::simd
