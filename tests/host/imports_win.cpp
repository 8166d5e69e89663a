// Walks the import descriptors of a loaded 32-bit image (see imports_win.h).
#include "imports_win.h"

#include <algorithm>
#include <cctype>

namespace qv::test {

std::vector<ImportSlot> import_slots(HMODULE module) {
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<ImportSlot> out;
    if (!dir.VirtualAddress) return out;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        std::string dll = reinterpret_cast<const char*>(base + d->Name);
        std::transform(dll.begin(), dll.end(), dll.begin(), [](char c) { return char(std::tolower(uint8_t(c))); });
        // The names come from the lookup table; the addresses the loader wrote, from the
        // address table beside it. Without a lookup table the names are gone (the loader has
        // written addresses over them): such a DLL's imports cannot be listed, and the tests
        // that look for an import find it missing.
        if (!d->OriginalFirstThunk) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + d->OriginalFirstThunk);
        auto** slots = reinterpret_cast<void**>(const_cast<uint8_t*>(base) + d->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
            if (names[i].u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            out.push_back({dll, reinterpret_cast<const char*>(by_name->Name), slots + i});
        }
    }
    return out;
}

}  // namespace qv::test
