// The test host: calls the library's exported commands exactly as the Vesh host does
// (LoadLibrary, GetProcAddress("_Name@16"), four 32-bit words), and drives the message
// boxes the library shows from a helper thread.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host_screen_win.h"

namespace qv::test {

using hostsim::Bgr;
using hostsim::HostScreen;
using hostsim::HostVar;
using hostsim::pump_messages;

// The folder of the test executable, with a trailing backslash; the DLL and the runner
// are built beside it.
std::string exe_folder();

// quorvel.dll, loaded once for the whole run; a child process may unload it and load it
// again, as a host that runs one script after another does (the calls go to the image loaded
// now).
HMODULE library();
void unload_library();
void reload_library();

template <class T>
int32_t word(T value) {
    if constexpr (std::is_pointer_v<T>) return int32_t(uintptr_t(value));
    else return int32_t(value);
}

// Calls the export _Name@16 and returns its result. A missing export fails the test (and
// gives INT32_MIN); so does a result that the results table does not list for the command,
// whatever the test itself expects.
int32_t call_words(const char* name, int32_t a, int32_t b, int32_t c, int32_t d);

template <class A = int32_t, class B = int32_t, class C = int32_t, class D = int32_t>
int32_t call(const char* name, A a = 0, B b = 0, C c = 0, D d = 0) {
    return call_words(name, word(a), word(b), word(c), word(d));
}

// Whether a command waits for a person, a key, the mouse or a long time: the probes that call
// every command leave these out.
bool waits(const char* command);

// Bytes that end where a page that cannot be touched begins: reading or writing one byte
// past them faults. Zero-filled.
class PageEndBytes {
public:
    explicit PageEndBytes(size_t size);
    ~PageEndBytes();
    PageEndBytes(const PageEndBytes&) = delete;
    PageEndBytes& operator=(const PageEndBytes&) = delete;
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // From now on any access faults, as freed memory may.
    void forbid();

private:
    uint8_t* pages_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t size_ = 0, room_ = 0;
};

// A variable whose 8 bytes of storage (a dims record says so, while len[1] claims 64) end
// where a page that cannot be read begins: a command reading or writing one byte past it
// faults.
class GuardedVar {
public:
    GuardedVar(uint16_t type, const char (&bytes)[9]);
    GuardedVar(const GuardedVar&) = delete;
    GuardedVar& operator=(const GuardedVar&) = delete;
    // The record as it was made: a command may have retyped it or written its storage.
    host::PVAL* record();

private:
    uint16_t type_;
    char bytes_[8];
    PageEndBytes storage_{8};
    uint32_t dims_[4] = {0, 0, 2, 0};
    host::PVAL rec_{};
};

// Presses a button of the next message box (class #32770) with the given caption, from a
// helper thread, and records the box's text. Construct it before the call that shows the
// box; wait() joins the thread.
class BoxPresser {
public:
    BoxPresser(const char* caption, int button);
    ~BoxPresser();
    // True when the box appeared and was answered.
    bool wait();
    const std::string& text() const { return text_; }
    bool has_icon() const { return has_icon_; }

private:
    static DWORD WINAPI run(void* self);
    std::string caption_;
    int button_;
    HANDLE thread_ = nullptr;
    bool found_ = false;
    bool has_icon_ = false;
    std::string text_;
};

// A temporary folder of its own for a test, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }  // with a trailing backslash
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);

// A 32-bit word in the little-endian order of the host's files.
std::string le32(uint32_t v);
// A DPMX pack archive with the given entries (names as stored: lower case).
std::string archive_of(const std::vector<std::pair<std::string, std::string>>& entries);

struct ProcessResult {
    int exit_code = -1;
    std::string out, err;
};
// Runs a program with the given command line (in `folder`, when given) and collects its output.
ProcessResult run_process(const std::string& command_line, DWORD timeout_ms = 60000, const std::string& folder = {});

}  // namespace qv::test
