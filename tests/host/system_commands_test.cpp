// Shell folders from the prefix's registry, environment variables, the command line of a
// child process, and shortcuts through the real shell link object, read back both by the
// commands and by a link object of the test's own.
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

std::string expanded_value(const char* key, const char* name) {
    char raw[4096] = {}, out[4096] = {};
    DWORD size = sizeof raw - 1;
    const std::string path = std::string(kExplorer) + "\\" + key;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                     raw, &size) != ERROR_SUCCESS)
        return {};
    ExpandEnvironmentStringsA(raw, out, sizeof out);
    return out;
}

// Moves a registry key of the prefix aside for the length of a test, back on every path.
class KeyAside {
public:
    explicit KeyAside(const char* sub) : name_(std::string(kExplorer) + "\\" + sub), aside_(name_ + " (qv test)") {
        HKEY from;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, KEY_ALL_ACCESS, &from) != ERROR_SUCCESS) return;
        HKEY to;
        RegCreateKeyExA(HKEY_CURRENT_USER, aside_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr);
        moved_ = RegCopyTreeA(from, nullptr, to) == ERROR_SUCCESS;
        RegCloseKey(to);
        RegCloseKey(from);
        if (moved_) RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
    }
    ~KeyAside() {
        if (!moved_) return;
        HKEY from, to;
        RegOpenKeyExA(HKEY_CURRENT_USER, aside_.c_str(), 0, KEY_ALL_ACCESS, &from);
        RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr);
        RegCopyTreeA(from, nullptr, to);
        RegCloseKey(to);
        RegCloseKey(from);
        RegDeleteTreeA(HKEY_CURRENT_USER, aside_.c_str());
    }
    bool moved() const { return moved_; }

private:
    std::string name_, aside_;
    bool moved_ = false;
};

TEST(ShellFolders, EveryIndexTheFallbackAndTheFailureCodes) {
    const char* names[] = {"Desktop", "Start Menu", "Programs", "Startup", "SendTo", "Recent", "Favorites"};
    HostVar path = HostVar::text(520), ints = HostVar::ints(8), none = HostVar::text(4);
    none.record()->len[1] = 0;
    EXPECT_EQ(call("GetShellDir", ints.record(), 0), 6);
    EXPECT_EQ(call("GetShellDir", none.record(), 0), 3);
    for (int32_t folder = -1; folder <= 9; ++folder) {
        const std::string want = expanded_value("User Shell Folders", names[folder >= 0 && folder <= 6 ? folder : 0]);
        ASSERT_FALSE(want.empty()) << folder;
        EXPECT_EQ(call("GetShellDir", path.record(), folder), -int32_t(want.size() + 1)) << folder;
        EXPECT_EQ(std::string(path.chars()), want) << folder;
    }
    const std::string desktop = expanded_value("Shell Folders", "Desktop");
    {
        KeyAside aside("User Shell Folders");
        ASSERT_TRUE(aside.moved());
        EXPECT_EQ(call("GetShellDir", path.record(), 0), -int32_t(desktop.size() + 1)) << "from Shell Folders";
        EXPECT_EQ(std::string(path.chars()), desktop);
        KeyAside both("Shell Folders");
        std::strcpy(path.chars(), "kept");
        EXPECT_EQ(call("GetShellDir", path.record(), 0), -65535);
        EXPECT_STREQ(path.chars(), "kept");
    }
    // A value in neither key: -65536 - 4 x (1 + 2).
    HKEY k;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kExplorer) + "\\User Shell Folders").c_str(), 0, KEY_ALL_ACCESS, &k), 0);
    char saved[1024];
    DWORD size = sizeof saved, type = 0;
    ASSERT_EQ(RegQueryValueExA(k, "Favorites", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size), 0);
    RegDeleteValueA(k, "Favorites");
    HKEY plain;
    RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kExplorer) + "\\Shell Folders").c_str(), 0, KEY_ALL_ACCESS, &plain);
    char saved2[1024];
    DWORD size2 = sizeof saved2, type2 = 0;
    const bool had2 = RegQueryValueExA(plain, "Favorites", nullptr, &type2, reinterpret_cast<BYTE*>(saved2), &size2) == 0;
    RegDeleteValueA(plain, "Favorites");
    EXPECT_EQ(call("GetShellDir", path.record(), 6), -65548);
    RegSetValueExA(k, "Favorites", 0, type, reinterpret_cast<BYTE*>(saved), size);
    if (had2) RegSetValueExA(plain, "Favorites", 0, type2, reinterpret_cast<BYTE*>(saved2), size2);
    RegCloseKey(plain);
    RegCloseKey(k);
}

TEST(Environment, VariablesAndTheCommandLine) {
    SetEnvironmentVariableA("QV_TEST_VAR", "C:\\some\\value");
    HostVar v = HostVar::text(64), small = HostVar::text(8), ints = HostVar::ints(4);
    EXPECT_EQ(call("GetEnvVar", v.record(), "QV_TEST_VAR"), -14);
    EXPECT_STREQ(v.chars(), "C:\\some\\value");
    EXPECT_EQ(call("GetEnvVar", v.record(), "QV_NOT_DEFINED"), -17);
    EXPECT_STREQ(v.chars(), "%QV_NOT_DEFINED%");
    std::memset(small.data(), 'k', 8);
    EXPECT_EQ(call("GetEnvVar", small.record(), "QV_TEST_VAR"), -14) << "too small: the size it needs";
    EXPECT_EQ(call("GetEnvVar", ints.record(), "QV_TEST_VAR"), 6);
    const std::string longest(4097, 'N'), too_long(4098, 'N');
    HostVar big = HostVar::text(8192);
    EXPECT_EQ(call("GetEnvVar", big.record(), longest.c_str()), -4100) << "undefined: %name%";
    EXPECT_EQ(call("GetEnvVar", big.record(), too_long.c_str()), 3);

    // The command line of a child process, the runner started by a quoted path: the
    // arguments are the script's name; a variable of 8 bytes takes the line's first 7.
    TempDir dir;
    ASSERT_TRUE(write_file(dir.file("cmd.qv"), "var c str 256\nGetCmdLine c 1\nprint c\nvar t str 8\nGetCmdLine t 0\nprint t\n"));
    const std::string line = "\"" + exe_folder() + "qvrun.exe\" " + dir.file("cmd.qv");
    auto r = run_process(line);
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    const auto printed = [](std::string text) {  // as the runner prints a text
        std::string out = "\"";
        for (char c : text) out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        return out + "\"";
    };
    EXPECT_NE(r.out.find("c = " + printed(dir.file("cmd.qv")) + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("t = " + printed(line.substr(0, 7)) + "\n"), std::string::npos) << r.out;
}

// The test's own reading of a shortcut file.
struct LinkRead {
    std::string path, arguments, folder, icon;
    int icon_index = -1;
    WORD hotkey = 0;
};
LinkRead read_link(const std::string& file) {
    LinkRead out;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    wchar_t name[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, name, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(name, STGM_READ))) {
        char buf[MAX_PATH] = {};
        link->GetPath(buf, MAX_PATH, nullptr, 0), out.path = buf;
        link->GetArguments(buf, MAX_PATH), out.arguments = buf;
        link->GetWorkingDirectory(buf, MAX_PATH), out.folder = buf;
        link->GetIconLocation(buf, MAX_PATH, &out.icon_index), out.icon = buf;
        link->GetHotkey(&out.hotkey);
    }
    if (persist) persist->Release();
    if (link) link->Release();
    CoUninitialize();
    return out;
}

TEST(Shortcuts, StagedPropertiesWrittenAndReadBack) {
    TempDir dir;
    call("FreeShortCutParam");
    HostVar folder = HostVar::text(64), args = HostVar::text(64), icon = HostVar::text(64), ints = HostVar::ints(4);
    std::strcpy(folder.chars(), "C:\\windows");
    std::strcpy(args.chars(), "--alpha beta");
    std::strcpy(icon.chars(), "C:\\windows\\system32\\shell32.dll");
    EXPECT_EQ(call("SetShortCutParam", ints.record(), 0, 0), 6);
    ASSERT_EQ(call("SetShortCutParam", folder.record(), 0x0646, 1), 0);  // Ctrl+Alt+F
    ASSERT_EQ(call("SetShortCutArg", args.record()), 0);
    EXPECT_EQ(call("SetShortCutArg", args.record()), -1) << "already staged";
    EXPECT_EQ(call("SetShortCutParam", folder.record(), 0, 0), -1);
    ASSERT_EQ(call("SetShortCutIcon", icon.record(), -4), 0);
    EXPECT_EQ(call("SetShortCutShow", -1), -1);
    ASSERT_EQ(call("SetShortCutShow", 7), 0);
    ASSERT_EQ(call("SetShortCutShow", 1), 0);  // replaces: minimised, not activated
    const std::string file = dir.file("SHORTCUT.LNK");
    ASSERT_EQ(call("CreateShortCut", "C:\\windows\\notepad.exe", file.c_str()), 0);
    const LinkRead r = read_link(file);
    EXPECT_EQ(r.path, "C:\\windows\\notepad.exe");
    EXPECT_EQ(r.arguments, "--alpha beta");
    EXPECT_EQ(r.folder, "C:\\windows");
    EXPECT_EQ(r.icon, "C:\\windows\\system32\\shell32.dll");
    EXPECT_EQ(r.icon_index, 0) << "a negative index is staged as 0";
    EXPECT_EQ(r.hotkey, 0x0646);
    const std::string bytes = read_file(file);
    ASSERT_GE(bytes.size(), 0x40u);
    EXPECT_EQ(uint8_t(bytes[0x3C]), SW_SHOWMINNOACTIVE) << "the show command in the file itself";

    HostVar text = HostVar::text(64), four = HostVar::ints(4), three = HostVar::ints(3);
    struct Case {
        int32_t what;
        const char* want;
    } cases[] = {{0, "C:\\windows\\notepad.exe"}, {9, "C:\\windows\\notepad.exe"}, {1, "--alpha beta"},
                 {2, "C:\\windows"}, {4, "C:\\windows\\system32\\shell32.dll"}};
    for (const Case& c : cases) {
        ASSERT_EQ(call("GetShortCutParam", text.record(), file.c_str(), c.what), 0) << c.what;
        EXPECT_EQ(text.record()->type, host::kString);
        EXPECT_STREQ(text.chars(), c.want) << c.what;
    }
    ASSERT_EQ(call("GetShortCutParam", four.record(), file.c_str(), 3), 0);
    EXPECT_EQ(std::vector<int32_t>(four.ints(), four.ints() + 4), (std::vector<int32_t>{70, 0, 1, 1}));
    EXPECT_EQ(call("GetShortCutParam", three.record(), file.c_str(), 3), -2) << "four integers need 16 bytes";
    ASSERT_EQ(call("GetShortCutParam", text.record(), file.c_str(), 5), 0);
    EXPECT_EQ(text.record()->type, host::kInteger);
    EXPECT_EQ(text.ints()[0], 0);
    EXPECT_EQ(call("GetShortCutParam", text.record(), "a.lnk", 0), -256);
    EXPECT_EQ(call("GetShortCutParam", text.record(), "shortcut.txt", 0), -257);
    EXPECT_EQ(call("GetShortCutParam", text.record(), dir.file("absent.Lnk").c_str(), 0), -1);
    const std::string long_name = dir.file(std::string(300, 'x') + ".lnk");
    EXPECT_EQ(call("GetShortCutParam", text.record(), long_name.c_str(), 0), -1) << "not cut into another path";

    // Everything staged is gone after a create, failed or not.
    EXPECT_EQ(call("CreateShortCut", "C:\\windows\\notepad.exe", long_name.c_str()), -1);
    ASSERT_EQ(call("SetShortCutArg", args.record()), 0) << "the failed create cleared the staging";
    EXPECT_EQ(call("CreateShortCut", "C:\\windows\\notepad.exe", dir.file("none\\missing\\x.lnk").c_str()), -1);
    ASSERT_EQ(call("SetShortCutArg", args.record()), 0);
    ASSERT_EQ(call("FreeShortCutParam"), 0);
    const std::string plain = dir.file("plain.lnk");
    ASSERT_EQ(call("CreateShortCut", "C:\\windows\\notepad.exe", plain.c_str()), 0);
    const LinkRead p = read_link(plain);
    EXPECT_EQ(p.arguments, "");
    EXPECT_EQ(p.hotkey, 0);
    DeleteFileA(file.c_str());
    DeleteFileA(plain.c_str());
}

}  // namespace
}  // namespace qv::test
