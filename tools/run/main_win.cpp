// qvrun: plays the Vesh host for people. It loads quorvel.dll, makes screens (each in a real
// window) and variables as the host does, and runs a script of command calls, printing each
// result. See README.md for the script language. Exit code: 0 when every line ran and every
// expectation held, 1 when an expectation failed, 2 for a script or usage error, 3 when a
// command gave a result the results table does not list or the fault status, 4 when a host
// error that no "expect error" line expects stopped the script, as the host would.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host_screen_win.h"
#include "result_meanings.h"
#include "script.h"
#include "simd/wide.h"

namespace {

using qv::Kind;
using qv::hostsim::Bgr;
using qv::hostsim::HostScreen;
using qv::hostsim::HostVar;
using qv::run::Token;

struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using CommandFn = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t);

int32_t word_of(const void* p) { return int32_t(uintptr_t(p)); }

std::string quoted(const char* text, size_t max) {
    std::string out = "\"";
    for (size_t i = 0; i < max && text[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += char(c);  // Shift-JIS bytes pass as they are
        }
    }
    return out + "\"";
}

class Runner {
public:
    Runner(HMODULE dll, std::string file) : dll_(dll), file_(std::move(file)) {}

    int run(std::istream& in) {
        std::string line;
        while (std::getline(in, line)) {
            ++line_no_;
            std::vector<Token> tokens;
            std::string error;
            try {
                if (!qv::run::tokenize(line, tokens, error)) throw ScriptError(error);
                if (!tokens.empty() && !is_status_check(tokens)) {
                    if (stopped_by_host_error()) return summary(4);
                    flush_result("");
                }
                if (!tokens.empty()) execute(tokens);
            } catch (const ScriptError& e) {
                flush_result("");
                std::fprintf(stderr, "%s:%d: error: %s\n", file_.c_str(), line_no_, e.what());
                return 2;
            }
        }
        if (stopped_by_host_error()) return summary(4);
        flush_result("");
        return summary(failures_ ? 1 : undocumented_ ? 3 : 0);
    }

private:
    // A host error stops the script, as the host stops it, unless the next line expects it.
    bool stopped_by_host_error() {
        if (!have_result_ || last_result_ <= 0 || result_checked_) return false;
        flush_result("");
        std::printf("%s:%d: the host stops the script here: error %d, which no \"expect error\" line expects\n",
                    file_.c_str(), call_line_, last_result_);
        return true;
    }

    // The last line: how many commands ran, and how the expectations went.
    int summary(int code) {
        std::string line = "qvrun: " + counted(commands_, "command") + " ran";
        if (code == 4) line += " before a host error stopped the script";
        if (checks_ == 0) line += "; no expectations";
        else if (failures_) line += "; " + std::to_string(failures_) + " of " + counted(checks_, "expectation") + " failed";
        else line += checks_ == 1 ? "; the expectation held" : "; all " + std::to_string(checks_) + " expectations held";
        // An undocumented result or the fault status: the library's fault, to be reported.
        if (undocumented_) line += "; " + counted(undocumented_, "fault") + " of the library's to report";
        std::printf("%s\n", line.c_str());
        return code;
    }

    void execute(const std::vector<Token>& t) {
        if (t[0].type != Token::Type::Word) throw ScriptError("a line starts with a command or a directive");
        const std::string& word = t[0].text;
        if (const qv::run::CommandInfo* c = qv::run::find_command(word)) return call(*c, t);
        if (word == "screen") return make_screen(t);
        if (word == "var") return make_var(t);
        if (word == "pos") return expect_args(t, 4, "pos SCREEN X Y"), screen(t[1])->set_cursor(num(t[2]), num(t[3]));
        if (word == "area") return expect_args(t, 4, "area SCREEN WIDTH HEIGHT"), screen(t[1])->set_area(num(t[2]), num(t[3]));
        if (word == "color") {
            expect_args(t, 5, "color SCREEN RED GREEN BLUE");
            return screen(t[1])->set_color(uint32_t(byte(t[2]) | byte(t[3]) << 8 | byte(t[4]) << 16));
        }
        if (word == "redraw") return set_redraw(t);
        if (word == "fill") return fill(t);
        if (word == "gradient") {
            expect_args(t, 2, "gradient SCREEN");
            screen(t[1])->fill_gradient();
            return (void)InvalidateRect(screen(t[1])->hwnd(), nullptr, FALSE);
        }
        if (word == "pixel") return print_pixel(t);
        if (word == "text") return print_text(t);
        if (word == "save") return save(t);
        if (word == "set") return set_var(t);
        if (word == "print") return expect_args(t, 2, "print VARIABLE"), print_var(t[1]);
        if (word == "echo") return expect_args(t, 2, "echo \"TEXT\""), (void)std::printf("%s\n", text(t[1]).c_str());
        if (word == "wait") return expect_args(t, 2, "wait MILLISECONDS"), qv::hostsim::pump_messages(DWORD(num(t[1])));
        if (word == "expect") return expect(t);
        if (word == "button" || word == "edit") return add_control(t);
        if (word == "menutimer") return expect_args(t, 2, "menutimer MILLISECONDS"), after(num(t[1]), end_menu);
        if (word == "boxtimer") {
            if (t.size() != 2 && t.size() != 3) throw ScriptError("expected: boxtimer MILLISECONDS [BUTTON]");
            box_button_ = t.size() == 3 ? num(t[2]) : 0;
            return after(num(t[1]), answer_box);
        }
        if (word == "keytimer") {
            expect_args(t, 3, "keytimer MILLISECONDS KEYCODE");
            key_ = num(t[2]);
            return after(num(t[1]), press_key);
        }
        if (word == "quittimer") return expect_args(t, 2, "quittimer MILLISECONDS"), after(num(t[1]), post_quit);
        // The runtime's rand is the library's too (one C runtime, one thread): a fixed seed
        // makes the noise effects give the same picture every run.
        if (word == "seed") return expect_args(t, 2, "seed NUMBER"), std::srand(unsigned(num(t[1])));
        if (word == "readfile") return read_file(t);
        if (word == "savergn") return save_region(t);
        if (word == "pack") return write_pack(t);
        throw ScriptError("unknown command or directive '" + word + "'");
    }

    static void expect_args(const std::vector<Token>& t, size_t n, const char* usage) {
        if (t.size() != n) throw ScriptError(std::string("expected: ") + usage);
    }

    // A number as written, or an element of an integer variable (size[0], as a script reads
    // a value a command stored).
    int32_t num(const Token& t) {
        if (t.type == Token::Type::Number) return t.number;
        if (const int32_t* element = element_of(t)) return *element;
        throw ScriptError("expected a number or an integer variable's element, got '" + t.text + "'");
    }
    const int32_t* element_of(const Token& t) {
        const size_t open = t.text.find('[');
        if (t.type != Token::Type::Word || open == std::string::npos || t.text.back() != ']') return nullptr;
        const auto it = vars_.find(t.text.substr(0, open));
        if (it == vars_.end() || it->second->is_text()) return nullptr;
        const std::string index = t.text.substr(open + 1, t.text.size() - open - 2);
        char* end = nullptr;
        const long i = std::strtol(index.c_str(), &end, 10);
        if (index.empty() || *end || i < 0 || size_t(i) >= it->second->storage_bytes() / 4)
            throw ScriptError("no element " + index + " in '" + it->first + "'");
        return &it->second->ints()[i];
    }
    int32_t byte(const Token& t) {
        int32_t v = num(t);
        if (v < 0 || v > 255) throw ScriptError("expected a number from 0 to 255, got " + t.text);
        return v;
    }
    static std::string name(const Token& t, const char* what) {
        if (t.type != Token::Type::Word) throw ScriptError(std::string("expected ") + what + ", got '" + t.text + "'");
        return t.text;
    }
    static std::string text(const Token& t) {
        if (t.type != Token::Type::Text) throw ScriptError("expected a quoted text, got '" + t.text + "'");
        return t.text;
    }

    HostScreen* screen(const Token& t) {
        auto it = screens_.find(name(t, "a screen name"));
        if (it == screens_.end()) throw ScriptError("no screen named '" + t.text + "'");
        return it->second.get();
    }
    HostVar* var(const Token& t) {
        auto it = vars_.find(name(t, "a variable name"));
        if (it == vars_.end()) throw ScriptError("no variable named '" + t.text + "'");
        return it->second.get();
    }

    void make_screen(const std::vector<Token>& t) {
        if (t.size() != 4 && t.size() != 5) throw ScriptError("expected: screen NAME WIDTH HEIGHT [palette]");
        std::string n = name(t[1], "a screen name");
        int32_t w = num(t[2]), h = num(t[3]);
        if (w < 1 || h < 1 || w > 16384 || h > 16384) throw ScriptError("a screen is 1 to 16384 pixels each way");
        bool palette = false;
        if (t.size() == 5) {
            if (name(t[4], "'palette'") != "palette") throw ScriptError("expected 'palette' or nothing after the size");
            palette = true;
        }
        auto s = std::make_unique<HostScreen>(w, h, palette, n.c_str());
        if (!s->ok()) throw ScriptError("cannot make a screen of that size");
        screens_[n] = std::move(s);
    }

    void make_var(const std::vector<Token>& t) {
        if (t.size() < 4 || t.size() > 5) throw ScriptError("expected: var NAME str BYTES [COUNT2], or var NAME int COUNT [COUNT2]");
        std::string n = name(t[1], "a variable name");
        std::string type = name(t[2], "'str' or 'int'");
        int32_t a = num(t[3]);
        int32_t b = t.size() == 5 ? num(t[4]) : 0;
        if (type == "str") {
            if (a < 1 || a > 65535 * 4) throw ScriptError("a string variable is 1 to 262140 bytes");
            if (b < 0 || b > 65535) throw ScriptError("a string array has 0 to 65535 strings");
            vars_[n] = std::make_unique<HostVar>(HostVar::text(uint32_t(a), uint32_t(b)));
        } else if (type == "int") {
            if (a < 1 || a > 65535 || b < 0 || b > 65535) throw ScriptError("an integer variable has 1 to 65535 elements a dimension");
            vars_[n] = std::make_unique<HostVar>(HostVar::ints(uint32_t(a), uint32_t(b)));
        } else {
            throw ScriptError("a variable is 'str' or 'int'");
        }
    }

    void set_var(const std::vector<Token>& t) {
        if (t.size() < 3) throw ScriptError("expected: set VARIABLE \"TEXT\", or set VARIABLE NUMBER...");
        HostVar* v = var(t[1]);
        if (v->is_text()) {
            // One text, or one a string of an array: each in its own len[1] x 4 bytes.
            const size_t width = t.size() == 3 ? v->storage_bytes() : size_t(v->record()->len[1]) * 4;
            if ((t.size() - 2) * width > v->storage_bytes()) throw ScriptError("more texts than the variable holds");
            for (size_t i = 2; i < t.size(); ++i) {
                std::string s = text(t[i]);
                if (s.size() + 1 > width) throw ScriptError("the text does not fit the variable");
                std::memcpy(v->chars() + (i - 2) * width, s.c_str(), s.size() + 1);
            }
        } else {
            if (t.size() - 2 > v->storage_bytes() / 4) throw ScriptError("more numbers than the variable holds");
            for (size_t i = 2; i < t.size(); ++i) v->ints()[i - 2] = num(t[i]);
        }
    }

    // button SCREEN "text", edit SCREEN "text": a control in the screen's next free slot.
    void add_control(const std::vector<Token>& t) {
        expect_args(t, 3, (t[0].text + " SCREEN \"TEXT\"").c_str());
        const int slot = screen(t[1])->add_control(t[0].text == "button" ? "BUTTON" : "EDIT", text(t[2]).c_str());
        if (slot < 0) throw ScriptError("no free object slot on the screen");
        std::printf("%s: %s in slot %d\n", t[1].text.c_str(), t[0].text.c_str(), slot);
    }

    // Menus, message boxes and key waits hold the script: these timers, which run inside
    // their loops, dismiss the next popup menu, press the default button of the next message
    // box, or post a quit message.
    static void CALLBACK end_menu(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();
    }
    static void CALLBACK answer_box(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindWindowA("#32770", nullptr);
        if (!box) return;  // not shown yet: the timer comes again
        KillTimer(nullptr, id);
        int button = IDOK;  // the default push button's, when there is one
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if ((GetWindowLongA(c, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON) button = GetDlgCtrlID(c);
        PostMessageA(box, WM_COMMAND, WPARAM(box_button_ ? box_button_ : button), 0);
    }
    // A key pressed and released, as the thread's window would receive it.
    static void CALLBACK press_key(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, WPARAM(key_), 1);
        PostThreadMessageA(GetCurrentThreadId(), WM_KEYUP, WPARAM(key_), 0xC0000001);
    }
    static inline int box_button_ = 0;  // the next box's button; 0: its default
    static inline int key_ = 0;
    static void CALLBACK post_quit(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PostQuitMessage(0);
    }
    static void after(int32_t ms, TIMERPROC proc) { SetTimer(nullptr, 0, UINT(ms < 1 ? 1 : ms), proc); }

    void print_var(const Token& t) {
        HostVar* v = var(t);
        if (v->is_text()) {
            std::printf("%s = %s\n", t.text.c_str(), quoted(v->chars(), v->storage_bytes()).c_str());
        } else {
            std::printf("%s =", t.text.c_str());
            for (size_t i = 0; i < v->storage_bytes() / 4; ++i) std::printf(" %d", v->ints()[i]);
            std::printf("\n");
        }
    }

    // text SCREEN X Y "TEXT": the text at (X, Y) in the screen's font and colour, over what is
    // there, as the host prints it.
    void print_text(const std::vector<Token>& t) {
        expect_args(t, 5, "text SCREEN X Y \"TEXT\"");
        HostScreen* s = screen(t[1]);
        const std::string line = text(t[4]);
        const int mode = SetBkMode(s->hdc(), TRANSPARENT);
        const COLORREF colour = SetTextColor(s->hdc(), s->record()->color);
        TextOutA(s->hdc(), num(t[2]), num(t[3]), line.data(), int(line.size()));
        SetTextColor(s->hdc(), colour);
        SetBkMode(s->hdc(), mode);
        GdiFlush();
        InvalidateRect(s->hwnd(), nullptr, FALSE);
    }

    void set_redraw(const std::vector<Token>& t) {
        expect_args(t, 3, "redraw SCREEN on|off");
        std::string v = name(t[2], "'on' or 'off'");
        if (v != "on" && v != "off") throw ScriptError("expected 'on' or 'off'");
        screen(t[1])->set_redraw(v == "on");
    }

    void fill(const std::vector<Token>& t) {
        HostScreen* s = screen(t.size() > 1 ? t[1] : Token{});
        if (s->palette_mode()) {
            expect_args(t, 3, "fill SCREEN INDEX (palette screens)");
            uint8_t i = uint8_t(byte(t[2]));
            s->fill({i, i, i});
        } else {
            expect_args(t, 5, "fill SCREEN RED GREEN BLUE");
            s->fill({uint8_t(byte(t[4])), uint8_t(byte(t[3])), uint8_t(byte(t[2]))});
        }
        InvalidateRect(s->hwnd(), nullptr, FALSE);
    }

    void print_pixel(const std::vector<Token>& t) {
        expect_args(t, 4, "pixel SCREEN X Y");
        HostScreen* s = screen(t[1]);
        int32_t x = num(t[2]), y = num(t[3]);
        if (!s->view().contains(x, y)) throw ScriptError("the pixel lies outside the screen");
        Bgr p = s->pixel(x, y);
        if (s->palette_mode())
            std::printf("%s(%d,%d) = index %d\n", t[1].text.c_str(), x, y, p.b);
        else
            std::printf("%s(%d,%d) = %d %d %d\n", t[1].text.c_str(), x, y, p.r, p.g, p.b);
    }

    // readfile VARIABLE "FILE": a file's bytes into a string variable (for the memory sources).
    void read_file(const std::vector<Token>& t) {
        expect_args(t, 3, "readfile VARIABLE \"FILE\"");
        HostVar* v = var(t[1]);
        const std::string path = text(t[2]);
        std::ifstream in(path, std::ios::binary);
        if (!in) throw ScriptError("cannot read '" + path + "'");
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() > v->storage_bytes()) throw ScriptError("'" + path + "' is larger than the variable");
        std::memcpy(v->data(), bytes.data(), bytes.size());
        std::printf("read %s (%u bytes)\n", path.c_str(), unsigned(bytes.size()));
    }

    // pack "ARCHIVE" "FILE"...: a pack archive as the host's packer makes one ("DPMX", the
    // directory's size, the entry count, 0; a 32-byte entry a file: its name in 24 bytes, its
    // offset from the end of the directory and its size; then the files' bytes).
    void write_pack(const std::vector<Token>& t) {
        if (t.size() < 3) throw ScriptError("expected: pack \"ARCHIVE\" \"FILE\"...");
        std::string directory, data;
        auto put32 = [](std::string& out, uint32_t v) {
            for (int i = 0; i < 4; ++i) out += char(v >> (8 * i));
        };
        for (size_t i = 2; i < t.size(); ++i) {
            const std::string name = text(t[i]);
            std::ifstream in(name, std::ios::binary);
            if (!in) throw ScriptError("cannot read '" + name + "'");
            if (name.size() > 23) throw ScriptError("'" + name + "': an entry's name has 23 bytes at most");
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            directory += name + std::string(24 - name.size(), '\0');
            put32(directory, uint32_t(data.size()));
            put32(directory, uint32_t(bytes.size()));
            data += bytes;
        }
        std::string archive = "DPMX";
        put32(archive, uint32_t(16 + directory.size()));
        put32(archive, uint32_t(t.size() - 2));
        put32(archive, 0);
        const std::string path = text(t[1]);
        std::ofstream out(path, std::ios::binary);
        if (!(out << archive << directory << data)) throw ScriptError("cannot write '" + path + "'");
        std::printf("packed %s (%s)\n", path.c_str(), counted(int(t.size() - 2), "file").c_str());
    }

    // savergn SCREEN "FILE.bmp": the screen window's region as a picture of the window's size,
    // white inside the region and black outside (all white when the window has none).
    void save_region(const std::vector<Token>& t) {
        expect_args(t, 3, "savergn SCREEN \"FILE.bmp\"");
        const HWND hwnd = screen(t[1])->hwnd();
        const std::string path = text(t[2]);
        RECT w{};
        GetWindowRect(hwnd, &w);
        const int32_t width = w.right - w.left, height = w.bottom - w.top;
        const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
        std::vector<uint8_t> bits(stride * size_t(height), 0);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        std::vector<RECT> rects;
        if (GetWindowRgn(hwnd, rgn) == ERROR) {
            rects.push_back({0, 0, width, height});
        } else if (DWORD size = GetRegionData(rgn, 0, nullptr)) {
            std::vector<uint8_t> data(size);
            auto* rd = reinterpret_cast<RGNDATA*>(data.data());
            if (GetRegionData(rgn, size, rd)) {
                const RECT* r = reinterpret_cast<const RECT*>(rd->Buffer);
                rects.assign(r, r + rd->rdh.nCount);
            }
        }
        DeleteObject(rgn);
        for (const RECT& r : rects)
            for (int32_t y = std::max<int32_t>(r.top, 0); y < std::min<int32_t>(r.bottom, height); ++y)
                for (int32_t x = std::max<int32_t>(r.left, 0); x < std::min<int32_t>(r.right, width); ++x)
                    std::memset(&bits[size_t(height - 1 - y) * stride + size_t(x) * 3], 0xFF, 3);
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;  // "BM"
        fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        fh.bfSize = fh.bfOffBits + uint32_t(bits.size());
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width;
        ih.biHeight = height;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        ih.biSizeImage = uint32_t(bits.size());
        FILE* f = std::fopen(path.c_str(), "wb");
        const bool ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
                        std::fwrite(bits.data(), bits.size(), 1, f) == 1;
        if (!f || std::fclose(f) != 0 || !ok) throw ScriptError("cannot write '" + path + "'");
        std::printf("saved %s (the window's region, %s)\n", path.c_str(), counted(int(rects.size()), "rectangle").c_str());
    }

    void save(const std::vector<Token>& t) {
        expect_args(t, 3, "save SCREEN \"FILE.bmp\"");
        std::string path = text(t[2]);
        if (!screen(t[1])->save_bmp(path)) throw ScriptError("cannot write '" + path + "'");
        std::printf("saved %s\n", path.c_str());
    }

    static std::string counted(int n, const char* noun) {
        return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
    }

    // "expect STATUS" and "expect error N": these complete the line of the call before them.
    static bool is_status_check(const std::vector<Token>& t) {
        return t[0].type == Token::Type::Word && t[0].text == "expect" && t.size() >= 2 &&
               (t[1].type == Token::Type::Number || (t[1].type == Token::Type::Word && t[1].text == "error"));
    }

    // A command's result is printed when the next line is known, so that a result the script
    // expects reads as expected, not as a failure.
    void flush_result(const char* note) {
        if (pending_.empty()) return;
        std::printf("%s%s\n", pending_.c_str(), note);
        pending_.clear();
    }

    void expect(const std::vector<Token>& t) {
        if (t.size() < 2) throw ScriptError("expected: expect STATUS, expect error N, or expect VARIABLE VALUE...");
        std::string wanted, got;
        ++checks_;
        if (is_status_check(t)) {
            if (!have_result_) throw ScriptError("no command has been called yet");
            bool error = t[1].type == Token::Type::Word;
            expect_args(t, error ? 3 : 2, "expect STATUS, or expect error N");
            wanted = describe_result(error ? num(t[2]) : -num(t[1]));
            got = describe_result(last_result_);
            result_checked_ = true;
        } else {
            HostVar* v = var(t[1]);
            if (v->is_text()) {
                expect_args(t, 3, "expect VARIABLE \"TEXT\"");
                wanted = quoted(text(t[2]).c_str(), std::string::npos);
                got = quoted(v->chars(), v->storage_bytes());
            } else {
                if (t.size() - 2 > v->storage_bytes() / 4) throw ScriptError("more numbers than the variable holds");
                for (size_t i = 2; i < t.size(); ++i) {
                    wanted += " " + std::to_string(num(t[i]));
                    got += " " + std::to_string(v->ints()[i - 2]);
                }
            }
        }
        flush_result(wanted == got && last_result_ != 0 ? ", as expected" : "");
        if (wanted != got) {
            std::printf("%s:%d: expected %s, got %s\n", file_.c_str(), line_no_, wanted.c_str(), got.c_str());
            ++failures_;
        }
    }

    static std::string describe_result(int32_t r) {
        if (r > 0) return "error " + std::to_string(r);
        return "status " + std::to_string(-int64_t(r));
    }

    void call(const qv::run::CommandInfo& c, const std::vector<Token>& t) {
        if (t.size() > 5) throw ScriptError(std::string(c.name) + " takes four arguments");
        int32_t words[4] = {};
        for (int i = 0; i < 4; ++i) {
            Kind kind = c.kinds[i];
            if (size_t(i) + 1 >= t.size()) {
                if (!qv::run::argument_optional(kind))
                    throw ScriptError(std::string(c.name) + ": argument " + std::to_string(i + 1) +
                                      " should be " + qv::run::kind_description(kind));
                continue;
            }
            words[i] = argument(c, i, t[i + 1]);
        }
        std::string symbol = "_" + std::string(c.name) + "@16";
        auto fn = reinterpret_cast<CommandFn>(reinterpret_cast<void*>(GetProcAddress(dll_, symbol.c_str())));
        if (!fn) throw ScriptError("the library does not export " + symbol);
        last_result_ = fn(words[0], words[1], words[2], words[3]);
        have_result_ = true;
        result_checked_ = false;
        call_line_ = line_no_;
        ++commands_;
        // Every result is printed with its meaning from the results table; one the table does
        // not list is a fault of the library, counted and reported as such.
        if (const char* meaning = qv::run::result_meaning(c.name, last_result_)) {
            pending_ = std::string(c.name) + ": " + describe_result(last_result_) + " (" + meaning + ")";
        } else if (const char* fault = qv::run::fault_meaning(last_result_)) {
            pending_ = std::string(c.name) + ": fault: " + describe_result(last_result_) + " (" + fault + ")";
            ++undocumented_;
        } else {
            pending_ = std::string(c.name) + ": undocumented result " + std::to_string(last_result_);
            ++undocumented_;
        }
    }

    int32_t argument(const qv::run::CommandInfo& c, int i, const Token& t) {
        Kind kind = c.kinds[i];
        auto wrong = [&] {
            return ScriptError(std::string(c.name) + ": argument " + std::to_string(i + 1) + " should be " +
                               qv::run::kind_description(kind) + ", got '" + t.text + "'");
        };
        switch (kind) {
            case Kind::INT:
            case Kind::NONE:
                if (t.type == Token::Type::Number) return t.number;
                if (const int32_t* element = element_of(t)) return *element;
                throw wrong();
            case Kind::SCR:
                if (t.type != Token::Type::Word || !screens_.count(t.text)) throw wrong();
                return word_of(screens_[t.text]->record());
            case Kind::VAR:
                if (t.type != Token::Type::Word || !vars_.count(t.text)) throw wrong();
                return word_of(vars_[t.text]->record());
            case Kind::PTR:
                if (t.type == Token::Type::Number && t.number == 0) return 0;  // no buffer
                if (t.type != Token::Type::Word || !vars_.count(t.text)) throw wrong();
                return word_of(vars_[t.text]->data());
            case Kind::STR:
            case Kind::WSTR:
                if (t.type == Token::Type::Text) {
                    texts_.push_back(std::make_unique<std::string>(t.text));
                    return word_of(texts_.back()->data());
                }
                if (t.type == Token::Type::Word && vars_.count(t.text) && vars_[t.text]->is_text())
                    return word_of(vars_[t.text]->chars());
                throw wrong();
        }
        throw wrong();
    }

    HMODULE dll_;
    std::string file_;
    int line_no_ = 0;
    int failures_ = 0;
    int commands_ = 0;
    int checks_ = 0;
    int undocumented_ = 0;
    std::string pending_;  // the last call's result line, not yet printed
    int32_t last_result_ = 0;
    bool have_result_ = false;
    bool result_checked_ = false;  // an "expect" line has checked the last result
    int call_line_ = 0;
    // Declared before the screens so that screens (which the library may point at) go first.
    std::vector<std::unique_ptr<std::string>> texts_;
    std::map<std::string, std::unique_ptr<HostVar>> vars_;
    std::map<std::string, std::unique_ptr<HostScreen>> screens_;
};

std::string folder_of_exe() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

int usage(FILE* to, int code) {
    std::fprintf(to,
                 "usage: qvrun [--dll PATH] [--simd sse2] SCRIPT\n"
                 "Runs a script of Quorvel command calls against quorvel.dll (by default the one\n"
                 "beside qvrun.exe). --simd sse2 keeps the library to the SSE2 copies of its pixel\n"
                 "loops. Exit code 0: all ran; 1: an expectation failed; 2: an error in the script;\n"
                 "3: a command gave a result that the results table does not list, or the fault\n"
                 "status; 4: a host error that no \"expect error\" line expects stopped the script.\n");
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered, so that nothing is lost if a command crashes the process; binary, so that
    // lines end in LF alone and texts pass byte for byte.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::string dll_path = folder_of_exe() + "quorvel.dll";
    std::string script;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--dll" && i + 1 < argc) {
            dll_path = argv[++i];
        } else if (a == "--simd" && i + 1 < argc && std::string(argv[i + 1]) == "sse2") {
            ++i;
            SetEnvironmentVariableA("QUORVEL_SIMD", "sse2");  // the library reads it once it runs
            _putenv("QUORVEL_SIMD=sse2");
        } else if (a == "--help" || a == "-h") {
            return usage(stdout, 0);
        } else if (!a.empty() && a[0] == '-') {
            return usage(stderr, 2);
        } else if (script.empty()) {
            script = a;
        } else {
            return usage(stderr, 2);
        }
    }
    if (script.empty()) return usage(stderr, 2);
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "qvrun: cannot open the script '%s'\n", script.c_str());
        return 2;
    }
    HMODULE dll = LoadLibraryA(dll_path.c_str());
    if (!dll) {
        std::fprintf(stderr, "qvrun: cannot load '%s'\n", dll_path.c_str());
        return 2;
    }
    // The library makes the same choice with the same code, in the same process.
    std::printf("qvrun: pixel loops: %s copies\n", qv::simd::wide() ? "AVX2" : "SSE2");
    int rc;
    {
        Runner runner(dll, script);
        rc = runner.run(in);
    }
    FreeLibrary(dll);
    return rc;
}
