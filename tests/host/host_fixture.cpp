// The test host's helpers (see host_fixture.h) and the test program's entry point.
#include "host_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "pnm.h"
#include "result_meanings.h"
#include "simd/wide.h"

namespace qv::test {

std::string exe_folder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

namespace {

HMODULE& loaded() {
    static HMODULE dll = LoadLibraryA((exe_folder() + "quorvel.dll").c_str());
    return dll;
}

}  // namespace

HMODULE library() { return loaded(); }

void unload_library() {
    if (loaded()) FreeLibrary(loaded());
    loaded() = nullptr;
}

void reload_library() {
    unload_library();
    loaded() = LoadLibraryA((exe_folder() + "quorvel.dll").c_str());
}

bool waits(const char* command) {
    static const char* const kWaiting[] = {"AboutMe",   "AlphaMethod", "PiDllAbout",  "ExDialog",     "Inkey",
                                           "DragWin",   "DoPopup",     "TobSleep",    "SleepGcopy",   "TickWait",
                                           "MMCountWait", "MMCountAWait", "GetOpenFile", "GetSaveFile"};
    for (const char* w : kWaiting)
        if (std::strcmp(w, command) == 0) return true;
    return false;
}

PageEndBytes::PageEndBytes(size_t size) : size_(size) {
    SYSTEM_INFO sys;
    GetSystemInfo(&sys);
    room_ = (size + sys.dwPageSize - 1) / sys.dwPageSize * sys.dwPageSize;
    pages_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, room_ + sys.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    DWORD was;
    VirtualProtect(pages_ + room_, sys.dwPageSize, PAGE_NOACCESS, &was);
    data_ = pages_ + room_ - size;
}

void PageEndBytes::forbid() {
    DWORD was;
    if (room_) VirtualProtect(pages_, room_, PAGE_NOACCESS, &was);
}

PageEndBytes::~PageEndBytes() { VirtualFree(pages_, 0, MEM_RELEASE); }

GuardedVar::GuardedVar(uint16_t type, const char (&bytes)[9]) : type_(type) {
    std::memcpy(bytes_, bytes, 8);
    rec_ = {type, 0, {0, 16, 0, 0, 0}, 1, host::Word(uintptr_t(storage_.data())), host::Word(uintptr_t(dims_))};
}

host::PVAL* GuardedVar::record() {
    std::memcpy(storage_.data(), bytes_, 8);
    rec_.type = type_;
    return &rec_;
}

namespace {

// The rows of the results table the calls of this process gave, by their index in the table.
std::set<size_t>& seen_rows() {
    static std::set<size_t> rows;
    return rows;
}

// Where each test process (children included) writes the rows it saw: QV_SEEN_DIR, made
// absolute once so that children started in other folders write beside their parent.
void write_seen_rows() {
    const char* dir = std::getenv("QV_SEEN_DIR");
    if (!dir || seen_rows().empty()) return;
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\seen-%lu.txt", dir, GetCurrentProcessId());
    if (FILE* f = std::fopen(path, "a")) {  // a later process may have the same number
        for (size_t row : seen_rows()) std::fprintf(f, "%zu\n", row);
        std::fclose(f);
    }
}

// Every row of the table that no file in the folder names.
int report_unseen_rows(const char* dir) {
    size_t count = 0;
    const run::ResultRow* rows = run::result_rows(count);
    std::vector<bool> seen(count);
    WIN32_FIND_DATAA fd;
    const std::string folder = std::string(dir) + "\\";
    HANDLE h = FindFirstFileA((folder + "seen-*.txt").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (FILE* f = std::fopen((folder + fd.cFileName).c_str(), "r")) {
                size_t row;
                while (std::fscanf(f, "%zu", &row) == 1)
                    if (row < count) seen[row] = true;
                std::fclose(f);
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    size_t unseen = 0, listed = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!*rows[i].who) seen[i] = true;  // the fault row, which no call may give
        else ++listed, unseen += !seen[i];
    }
    std::printf("results table: %zu of %zu rows seen; no test saw these %zu:\n", listed - unseen, listed, unseen);
    for (size_t i = 0; i < count; ++i)
        if (!seen[i])
            std::printf("  %s %s %lld%s: %s\n", rows[i].who, rows[i].host_error ? "error" : "status",
                        static_cast<long long>(rows[i].low),
                        rows[i].high != rows[i].low ? (" to " + std::to_string(rows[i].high)).c_str() : "", rows[i].meaning);
    return 0;
}

}  // namespace

int32_t call_words(const char* name, int32_t a, int32_t b, int32_t c, int32_t d) {
    using Fn = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t);
    const std::string symbol = std::string("_") + name + "@16";
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library(), symbol.c_str())));
    if (!fn) {
        ADD_FAILURE() << "quorvel.dll does not export " << symbol;
        return INT32_MIN;
    }
    const int32_t result = fn(a, b, c, d);
    if (const char* fault = run::fault_meaning(result))
        ADD_FAILURE() << name << "(" << a << ", " << b << ", " << c << ", " << d << ") gave " << fault;
    else if (const run::ResultRow* row = run::result_row(name, result)) {
        size_t count = 0;
        seen_rows().insert(size_t(row - run::result_rows(count)));
    } else
        ADD_FAILURE() << name << "(" << a << ", " << b << ", " << c << ", " << d << ") gave result " << result
                      << ", which the results table does not list";
    return result;
}

BoxPresser::BoxPresser(const char* caption, int button) : caption_(caption), button_(button) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

BoxPresser::~BoxPresser() { wait(); }

bool BoxPresser::wait() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return found_;
}

namespace {

BOOL CALLBACK find_icon(HWND child, LPARAM found) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    // Wine keeps an icon control in every box; only a box with an icon has one set in it.
    DWORD_PTR icon = 0;
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) && icon)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

}  // namespace

DWORD WINAPI BoxPresser::run(void* p) {
    auto* self = static_cast<BoxPresser*>(p);
    for (int i = 0; i < 500; ++i) {  // up to 10 seconds
        HWND box = FindWindowA("#32770", self->caption_.c_str());
        if (box) {
            Sleep(100);  // let the box finish setting up
            char text[4096] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            self->text_ = text;
            EnumChildWindows(box, find_icon, LPARAM(&self->has_icon_));
            PostMessageA(box, WM_COMMAND, self->button_, 0);
            self->found_ = true;
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%sqvtest_%lu_%d\\", base, GetCurrentProcessId(), ++counter);
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path_ + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path_ + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
}

std::string read_file(const std::string& path) { return testing::read_bytes(path); }

bool write_file(const std::string& path, const std::string& bytes) { return testing::write_bytes(path, bytes); }

namespace {

struct Reader {
    HANDLE pipe;
    std::string data;
};

DWORD WINAPI drain(void* p) {
    auto* r = static_cast<Reader*>(p);
    char buf[4096];
    DWORD n;
    while (ReadFile(r->pipe, buf, sizeof buf, &n, nullptr) && n > 0) r->data.append(buf, n);
    return 0;
}

}  // namespace

ProcessResult run_process(const std::string& command_line, DWORD timeout_ms, const std::string& folder) {
    ProcessResult result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out_r, out_w, err_r, err_w;
    CreatePipe(&out_r, &out_w, &sa, 0);
    CreatePipe(&err_r, &err_w, &sa, 0);
    SetHandleInformation(out_r, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_r, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out_w;
    si.hStdError = err_w;
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd(command_line.begin(), command_line.end());
    cmd.push_back(0);
    BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    CloseHandle(out_w);
    CloseHandle(err_w);
    Reader out{out_r, {}}, err{err_r, {}};
    HANDLE readers[2] = {CreateThread(nullptr, 0, drain, &out, 0, nullptr),
                         CreateThread(nullptr, 0, drain, &err, 0, nullptr)};
    if (started) {
        if (WaitForSingleObject(pi.hProcess, timeout_ms) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result.exit_code = int(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    WaitForMultipleObjects(2, readers, TRUE, 10000);
    CloseHandle(readers[0]);
    CloseHandle(readers[1]);
    CloseHandle(out_r);
    CloseHandle(err_r);
    result.out = out.data;
    result.err = err.data;
    return result;
}

std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string archive_of(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string dir, data;
    for (const auto& [name, bytes] : entries) {
        std::string n = name;
        n.resize(24, '\0');
        dir += n + le32(uint32_t(data.size())) + le32(uint32_t(bytes.size()));
        data += bytes;
    }
    return "DPMX" + le32(16 + uint32_t(dir.size())) + le32(uint32_t(entries.size())) + le32(0) + dir + data;
}

}  // namespace qv::test

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // A child role for the tests that must end a process: a quit message, then the pump.
    if (argc == 2 && std::string(argv[1]) == "--quit-then-pump") {
        PostQuitMessage(0);
        qv::test::call("ProcMes");
        return 42;  // the pump should have ended the process with code 1 before this
    }
    // The report at the end of a suite's run: which rows of the results table no call gave.
    if (argc == 3 && std::string(argv[1]) == "--unseen-rows") return qv::test::report_unseen_rows(argv[2]);
    if (const char* dir = std::getenv("QV_SEEN_DIR")) {
        char full[MAX_PATH];
        if (GetFullPathNameA(dir, MAX_PATH, full, nullptr)) SetEnvironmentVariableA("QV_SEEN_DIR", full);
        qv::test::seen_rows();  // made first, so that it is still there when the rows are written
        std::atexit(qv::test::write_seen_rows);
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (!qv::test::library()) {
        std::fprintf(stderr, "cannot load quorvel.dll beside the test program\n");
        return 1;
    }
    // Which copy of the pixel loops the library runs here: it makes this choice with the same
    // code, in this process (QUORVEL_SIMD=sse2 keeps it to the SSE2 ones).
    std::printf("simd: %s copies of the pixel loops\n", qv::simd::wide() ? "AVX2" : "SSE2");
    return RUN_ALL_TESTS();
}
