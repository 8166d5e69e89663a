// The loaded DLL's import table: each function it imports by name, with the slot of its
// import address table that the loader filled. The export tests read the names; the
// failure-injection run writes its own functions into the slots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::test {

struct ImportSlot {
    std::string dll;       // lower case, "kernel32.dll"
    std::string function;  // "CreateThread"
    void** slot;           // where the DLL's calls take the function's address from
};

std::vector<ImportSlot> import_slots(HMODULE module);

}  // namespace qv::test
