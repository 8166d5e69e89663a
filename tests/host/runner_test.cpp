// qvrun end to end: scripts in, the printed results, the exit code and the files out.
#include <string>
#include <utility>
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

class Runner : public ::testing::Test {
protected:
    ProcessResult run(const std::string& script) {
        std::string path = dir.file("script.qv");
        EXPECT_TRUE(write_file(path, script));
        return run_process("\"" + exe_folder() + "qvrun.exe\" \"" + path + "\"");
    }
    TempDir dir;
};

// A path as a quoted script text: backslashes are escapes there.
std::string quoted_path(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

TEST_F(Runner, GetQuorvelVerPrintsItsStatusAndText) {
    auto r = run("var v str 16\nGetQuorvelVer 0 0 0 v\nexpect 394497\nprint v\nexpect v \"0.651\"\n");
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "GetQuorvelVer: status 394497 (the version 0.651 (0x060501)), as expected\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "v = \"0.651\"\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "qvrun: 1 command ran; all 2 expectations held\n")) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(Runner, AFailedExpectationIsReportedAndExitsOne) {
    auto r = run("var v str 16\nGetTobExtVer 0 0 0 v\nexpect 394497\nexpect v \"0.801\"\nSetBMNo 3\nexpect error 3\n");
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "script.qv:3: expected status 394497, got status 524289")) << r.out;
    EXPECT_TRUE(contains(r.out, "script.qv:6: expected error 3, got status 0")) << r.out;
    EXPECT_FALSE(contains(r.out, ":4:")) << r.out;
    EXPECT_TRUE(contains(r.out, "GetTobExtVer: status 524289 (the version 0.801 (0x080001))\n")) << "not marked as expected: " << r.out;
    EXPECT_TRUE(contains(r.out, "qvrun: 2 commands ran; 2 of 3 expectations failed\n")) << r.out;
}

TEST_F(Runner, ScriptErrorsNameTheFileLineAndWhatWasExpected) {
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"NoSuchCommand 1 2", "script.qv:1: error: unknown command or directive 'NoSuchCommand'"},
        {"\nSetBMSCR nowhere 0 0", "script.qv:2: error: SetBMSCR: argument 1 should be a screen name, got 'nowhere'"},
        {"SetBMNo \"three\"", "SetBMNo: argument 1 should be a number, got 'three'"},
        {"SetBMNo 99999999999", "'99999999999' is not a 32-bit number"},
        {"var v str 8\nGetQuorvelVer 0 0 0", "GetQuorvelVer: argument 4 should be a variable name"},
        {"GetQuorvelVer 0 0 0 1", "GetQuorvelVer: argument 4 should be a variable name (its storage is passed) or 0, got '1'"},
        {"SetBMNo 1 2 3 4 5", "SetBMNo takes four arguments"},
        {"screen s 0 10", "a screen is 1 to 16384 pixels each way"},
        {"screen s 10 10 mono", "expected 'palette' or nothing after the size"},
        {"pos s 1 1", "no screen named 's'"},
        {"print \"x\"", "expected a variable name, got 'x'"},
        {"echo \"unclosed", "text is missing its closing quote"},
        {"var v float 3", "a variable is 'str' or 'int'"},
        {"expect 0", "no command has been called yet"},
        {"5 SetBMNo", "a line starts with a command or a directive"},
        {"var v str 4\nset v \"too long\"", "the text does not fit the variable"},
        {"var n int 2\nscreen s n[2] 4", "no element 2 in 'n'"},
        {"var t str 8\nSetBMNo t[0]", "SetBMNo: argument 1 should be a number, got 't[0]'"},
        {"text s 0 0 \"x\"", "no screen named 's'"},
    };
    for (const Case& c : cases) {
        auto r = run(c.script);
        EXPECT_EQ(r.exit_code, 2) << c.script << "\n" << r.out << r.err;
        EXPECT_TRUE(contains(r.err, c.message)) << c.script << "\n" << r.err;
    }
}

TEST_F(Runner, MissingScriptOrBadOptionsExitTwo) {
    auto r = run_process("\"" + exe_folder() + "qvrun.exe\" \"" + dir.file("absent.qv") + "\"");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_TRUE(contains(r.err, "cannot open the script")) << r.err;
    r = run_process("\"" + exe_folder() + "qvrun.exe\"");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_TRUE(contains(r.err, "usage:")) << r.err;
    r = run_process("\"" + exe_folder() + "qvrun.exe\" --dll \"" + dir.file("none.dll") + "\" x.qv");
    EXPECT_EQ(r.exit_code, 2);
}

TEST_F(Runner, ScreensAreMadeFilledAndSavedAsBitmaps) {
    std::string bmp = dir.file("out.bmp");
    std::string pal = dir.file("pal.bmp");
    auto r = run("screen main 5 3\nfill main 10 20 30\npixel main 4 2\nsave main " + quoted_path(bmp) +
                 "\nscreen p 3 2 palette\nfill p 7\npixel p 0 0\nsave p " + quoted_path(pal) +
                 "\nSetBMSCR main 1 12\nSetBMNo 8\n");
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "main(4,2) = 10 20 30\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "p(0,0) = index 7\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "SetBMSCR: status 0 (stored)\n")) << r.out;

    std::string file = read_file(bmp);
    ASSERT_EQ(file.size(), 14u + 40u + 16u * 3);  // rows of 15 bytes padded to 16
    EXPECT_EQ(file.substr(0, 2), "BM");
    auto ih = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + 14);
    EXPECT_EQ(ih->biWidth, 5);
    EXPECT_EQ(ih->biHeight, 3);
    EXPECT_EQ(ih->biBitCount, 24);
    EXPECT_EQ(uint8_t(file[54]), 30);  // blue, green, red
    EXPECT_EQ(uint8_t(file[55]), 20);
    EXPECT_EQ(uint8_t(file[56]), 10);

    std::string pfile = read_file(pal);
    ASSERT_EQ(pfile.size(), 14u + 40u + 1024u + 2u * 4);
    EXPECT_EQ(uint8_t(pfile[14 + 40 + 1024]), 7);
    EXPECT_EQ(uint8_t(pfile[14 + 40 + 7 * 4]), 7);  // the grey ramp the screen starts with
}

TEST_F(Runner, TheBundledDemoRunsCleanly) {
    std::string demo = exe_folder() + "..\\..\\examples\\demo.qv";
    ASSERT_EQ(run_process("\"" + exe_folder() + "qv_make_pi.exe\" demo.pi", 60000, dir.path()).exit_code, 0);
    auto r = run_process("\"" + exe_folder() + "qvrun.exe\" \"" + demo + "\"", 60000, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "JpegSave: status 0 (saved)\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "JpegSave: status 255 (a palette-mode screen: nothing saved), as expected\n")) << r.out;
    EXPECT_TRUE(contains(r.out, " expectations held\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "text = \"Made by the Quorvel demo.\\r\\nSecond line.\"")) << r.out;
    EXPECT_EQ(read_file(dir.file("demo.jpg")).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(read_file(dir.file("demo-view.bmp")).substr(0, 2), "BM");
    EXPECT_TRUE(contains(r.out, "PiLoad: status 0 (loaded)\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Mosaic: status 0 (done)\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "GRot: status 0 (drawn)\n")) << r.out;
    EXPECT_EQ(read_file(dir.file("demo-effects.bmp")).size(), 54u + 960 * 200);
    EXPECT_EQ(read_file(dir.file("demo-draw.bmp")).size(), 54u + 960 * 200);
    EXPECT_EQ(read_file(dir.file("demo-desktop.bmp")).size(), 54u + 768 * 192);
    EXPECT_EQ(read_file(dir.file("demo-clipboard.bmp")).size(), 54u + 1080 * 240);
    EXPECT_EQ(read_file(dir.file("demo-view.raw")).size(), 400u * 260 * 3 - (40u * 260 * 3 + 30u * 360 * 3));
    EXPECT_EQ(read_file(dir.file("demo-view.fal")).substr(0, 14), "F_ALL(V1.00)\r\n");
    for (const char* f : {"demo.jpg", "demo-main.bmp", "demo-view.bmp", "demo-indexed.bmp", "demo.pi", "demo-view.raw",
                          "demo-view.fal", "demo-indexed-8bit.bmp", "demo-effects.bmp", "demo-compose.bmp", "demo-draw.bmp", "demo-desktop.bmp", "demo-clipboard.bmp", "demo.lnk"})
        DeleteFileA(dir.file(f).c_str());
}

// A value a command stored is passed on by naming the element; text draws in the screen's
// colour over what is there.
TEST_F(Runner, VariableElementsPassValuesAndTextDraws) {
    const std::string bmp = dir.file("t.bmp");
    auto r = run("var size int 2\nset size 24 16\nscreen s size[0] size[1]\nfill s 0 0 255\ncolor s 255 255 0\n"
                 "text s 2 1 \"H\"\nvar n int 3\nset n size[1] 7\nexpect n 16 7 0\nSetBMNo n[1]\nexpect 0\nsave s " +
                 quoted_path(bmp) + "\n");
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    const std::string file = read_file(bmp);
    ASSERT_EQ(file.size(), 54u + 24 * 3 * 16) << "the screen is 24 x 16";
    int yellow = 0, blue = 0;
    for (size_t i = 54; i + 2 < file.size(); i += 3) {
        const uint8_t b = uint8_t(file[i]), g = uint8_t(file[i + 1]), rd = uint8_t(file[i + 2]);
        yellow += b == 0 && g == 255 && rd == 255;
        blue += b == 255 && g == 0 && rd == 0;
    }
    EXPECT_GT(yellow, 5) << "the letter in the screen's colour";
    EXPECT_EQ(yellow + blue, 24 * 16) << "nothing but the letter and the background";
}

// The contact sheet: six photographs decoded at half size (one turned by its EXIF
// orientation), resampled into their cells and captioned; it reads examples/pictures from the
// build folder, as from build/run.
TEST(RunnerExamples, TheContactSheetRuns) {
    const std::string sheet = exe_folder() + "contact-sheet.bmp";
    DeleteFileA(sheet.c_str());
    const ProcessResult r = run_process("\"" + exe_folder() + "qvrun.exe\" ..\\..\\examples\\contact_sheet.qv", 120000,
                                        exe_folder());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    size_t drawn = 0;
    for (size_t at = 0; (at = r.out.find("Resample: status 0", at)) != std::string::npos; ++at) ++drawn;
    EXPECT_EQ(drawn, 6u) << r.out;
    EXPECT_EQ(read_file(sheet).size(), 54u + 1532 * 290) << "a 510 x 290 sheet";
    DeleteFileA(sheet.c_str());
}

TEST_F(Runner, ATimerLeftRunningIsStoppedWhenTheLibraryGoes) {
    // The runner frees the library at its end; a running timer would then call into code
    // that is gone.
    auto r = run("MMCountOn 1 1\nvar n int 1\nset n 5\nMMCountWait n\nexpect n 5\n");
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "MMCountWait: status")) << r.out;
}

TEST_F(Runner, OmittedTrailingNumbersAreZero) {
    auto r = run("screen s 8 8\nSetBMSCR s\nexpect 0\nvar n int 4\nset n 1 2 3\nexpect n 1 2 3 0\nprint n\n");
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "n = 1 2 3 0\n")) << r.out;
}

// A host error stops the script there, as the host would, unless the next line expects it.
TEST_F(Runner, AnUnexpectedHostErrorStopsTheScript) {
    auto r = run("var t str 8\nUpperCase t\nexpect error 3\nUpperCase t\necho \"not reached\"\n");
    EXPECT_EQ(r.exit_code, 4) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "script.qv:4: the host stops the script here: error 3")) << r.out;
    EXPECT_FALSE(contains(r.out, "not reached")) << r.out;
    EXPECT_TRUE(contains(r.out, "qvrun: 2 commands ran before a host error stopped the script; the expectation held\n")) << r.out;
    const ProcessResult help = run_process("\"" + exe_folder() + "qvrun.exe\" --help");
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(contains(help.out, "usage: qvrun")) << help.out;
}

// What a reader may paste runs as it stands: the README's block of runner lines and every
// example under examples/commands (the demo and the gallery run in their own tests), each in a
// folder of its own holding the Pi picture the build makes.
TEST(RunnerExamples, TheReadmeBlockAndEveryExampleRun) {
    const std::string root = exe_folder() + "..\\..\\";
    std::vector<std::pair<std::string, std::string>> scripts;  // name, text
    const std::string readme = read_file(root + "README.md");
    const size_t section = readme.find("## Trying commands with the runner");
    ASSERT_NE(section, std::string::npos);
    const size_t start = readme.find("```\n", section) + 4, end = readme.find("```", start);
    ASSERT_LT(start, end);
    scripts.emplace_back("the README's block", readme.substr(start, end - start));
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + "examples\\commands\\*.qv").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do scripts.emplace_back(fd.cFileName, read_file(root + "examples\\commands\\" + fd.cFileName));
    while (FindNextFileA(h, &fd));
    FindClose(h);
    for (const auto& [name, text] : scripts) {
        TempDir dir;
        ASSERT_EQ(run_process("\"" + exe_folder() + "qv_make_pi.exe\" demo.pi", 60000, dir.path()).exit_code, 0);
        ASSERT_TRUE(write_file(dir.file("script.qv"), text));
        const ProcessResult r = run_process("\"" + exe_folder() + "qvrun.exe\" script.qv", 120000, dir.path());
        EXPECT_EQ(r.exit_code, 0) << name << ":\n" << r.out << r.err;
    }
    EXPECT_GE(scripts.size(), 5u);
}

}  // namespace
}  // namespace qv::test
