// The DLL as a file: its export table is exactly the command table plus AboutMe, it imports
// only Windows system DLLs and none of their thread or clock control, it is a 32-bit x86 DLL,
// and its version resource reads 0.6.5.1.
#include <algorithm>
#include <set>

#include "host_fixture.h"
#include "imports_win.h"
#include "script.h"

namespace qv::test {
namespace {

const IMAGE_NT_HEADERS32* nt_headers(HMODULE m) {
    auto base = reinterpret_cast<const uint8_t*>(m);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

template <class T>
const T* at_rva(HMODULE m, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const uint8_t*>(m) + rva);
}

TEST(Exports, AreExactlyTheCommandTableAndAboutMe) {
    HMODULE m = library();
    const auto& dir = nt_headers(m)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto exports = at_rva<IMAGE_EXPORT_DIRECTORY>(m, dir.VirtualAddress);
    auto names = at_rva<DWORD>(m, exports->AddressOfNames);
    std::set<std::string> actual;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) actual.insert(at_rva<char>(m, names[i]));

    std::set<std::string> expected = {"AboutMe"};
    for (const run::CommandInfo& c : run::command_table()) expected.insert("_" + std::string(c.name) + "@16");
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(exports->NumberOfNames, expected.size());
    EXPECT_EQ(exports->NumberOfFunctions, expected.size());
}

TEST(Exports, UndecoratedAboutMeIsNotTheCommand) {
    EXPECT_NE(GetProcAddress(library(), "AboutMe"), nullptr);
    EXPECT_NE(GetProcAddress(library(), "AboutMe"), GetProcAddress(library(), "_AboutMe@16"));
    EXPECT_EQ(GetProcAddress(library(), "GetQuorvelVer@16"), nullptr);
    EXPECT_EQ(GetProcAddress(library(), "GetQuorvelVer"), nullptr);
}

TEST(Exports, ImportsOnlySystemDlls) {
    static const std::set<std::string> system = {
        "kernel32.dll", "user32.dll", "gdi32.dll", "winmm.dll", "shell32.dll", "ole32.dll",
        "oleaut32.dll", "comdlg32.dll", "imm32.dll", "advapi32.dll", "msvcrt.dll",
        "version.dll", "shlwapi.dll", "comctl32.dll"};
    HMODULE m = library();
    const auto& dir = nt_headers(m)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    std::set<std::string> imported;
    for (auto d = at_rva<IMAGE_IMPORT_DESCRIPTOR>(m, dir.VirtualAddress); d->Name; ++d) {
        std::string name = at_rva<char>(m, d->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(tolower(c)); });
        imported.insert(name);
    }
    EXPECT_TRUE(imported.count("kernel32.dll"));
    for (const std::string& name : imported) EXPECT_TRUE(system.count(name)) << "imports " << name;
}

// A guest in the host's process imports what its commands use, nothing of the thread and
// clock control a POSIX-thread layer would bring along (security scanners score those).
TEST(Exports, ImportsNoThreadOrClockControl) {
    std::set<std::string> functions;
    for (const ImportSlot& s : import_slots(library())) functions.insert(s.function);
    EXPECT_TRUE(functions.count("CreateThread")) << "the table was read";
    for (const char* f : {"SetSystemTime", "SuspendThread", "ResumeThread", "SetThreadContext", "GetThreadContext",
                          "OpenProcess", "DuplicateHandle", "SetProcessAffinityMask", "TerminateThread"})
        EXPECT_FALSE(functions.count(f)) << f;
}

// The DLL ships with the notices of what is linked into it: libjpeg-turbo (its licences and the
// IJG's), libdeflate, zlib, the GCC runtime and the mingw-w64 runtime.
TEST(Exports, NoticesBesideTheDllCoverEveryLibraryLinkedIn) {
    const std::string notices = read_file(exe_folder() + "quorvel-notices.txt");
    for (const char* text : {"libjpeg-turbo", "The Modified (3-clause) BSD License", "Independent JPEG Group",
                             "libdeflate", "Eric Biggers", "Jean-loup Gailly", "GCC Runtime Library Exception", "The mingw-w64 runtime"})
        EXPECT_NE(notices.find(text), std::string::npos) << "quorvel-notices.txt says nothing of " << text;
}

TEST(Exports, IsA32BitX86Dll) {
    const IMAGE_NT_HEADERS32* nt = nt_headers(library());
    EXPECT_EQ(nt->Signature, DWORD(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
}

TEST(Exports, VersionResourceIs0651) {
    std::string path = exe_folder() + "quorvel.dll";
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len));
    EXPECT_EQ(info->dwFileVersionMS, 0x00000006u);
    EXPECT_EQ(info->dwFileVersionLS, 0x00050001u);
    EXPECT_EQ(info->dwProductVersionMS, 0x00000006u);
    EXPECT_EQ(info->dwProductVersionLS, 0x00050001u);
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &len));
    EXPECT_STREQ(text, "0.6.5.1");
}

}  // namespace
}  // namespace qv::test
