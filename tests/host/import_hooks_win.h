// Functions of the tests' own written into the loaded DLL's import address table in place of
// the system's, for every import that can fail for want of resources (the C runtime's
// allocations, which the static C++ runtime uses too; global memory; threads; the GDI
// creators; the clipboard; menus; COM; files; timers; the registry). Each such call is counted
// and one of them can be refused (the failure-injection run); what the DLL holds through them
// is followed until it is released or handed on: heap blocks, GDI objects, menus, thread
// handles, timer events and periods, global memory blocks, files, registry keys, DCs and drops.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv::test {

struct Injector {
    CRITICAL_SECTION lock;  // band threads call in too
    int64_t calls = 0;      // failable calls so far
    int64_t refuse = 0;     // the call to refuse (1-based); 0 none
    std::string refused_import;
    std::vector<std::string> names;  // each call's import, while nothing is refused
    // What the DLL holds: heap blocks and their sizes, GDI objects, menus, thread handles,
    // timer events, global memory blocks, files, registry keys, DCs, drops handed to it (a
    // test puts them in; DragFinish takes them out); timer periods raised.
    std::map<void*, size_t> heap;
    std::set<void*> gdi, menus, threads, timers, globals, files, keys, dcs, drops;
    int periods = 0;
    int unsynchronised_timers = 0;  // made without TIME_KILL_SYNCHRONOUS
};

Injector& injector();

// Writes the hooks into the import address table of `module` (a DLL image loaded now), or
// (restore) the real functions back. Answers the hooked functions the image does not import:
// calls to them would go unseen.
std::vector<std::string> install_hooks(HMODULE module, bool restore = false);

// An object the DLL made and handed to the host (a palette it installed in a screen): no
// longer the DLL's to release.
void hand_over(void* object);

// What the DLL holds now, by kind ("heap" in bytes, the others in objects).
std::map<std::string, size_t> held();

}  // namespace qv::test
