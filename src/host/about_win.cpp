// The about and notice boxes. Their texts are ASCII so that they read the same whatever
// the user's code page.
#include <windows.h>

#include "command_decls.h"
#include "host/version.h"

namespace qv::host {

namespace {

constexpr char kAboutTitle[] = "About Quorvel";

constexpr char kJpegAbout[] =
    "Quorvel " QV_JPEG_VERSION_TEXT "\n"
    "JPEG extension library for the Vesh scripting host.\n"
    "----------------------------------------\n"
    "JPEG decoding and encoding use the Independent JPEG Group's JPEG library "
    "(libjpeg-turbo).\n"
    "This software is based in part on the work of the Independent JPEG Group.";

constexpr char kTobExtAbout[] =
    "TobExt commands " QV_TOBEXT_VERSION_TEXT " (in Quorvel " QV_JPEG_VERSION_TEXT ")\n"
    "Effects, compositing, drawing, window, clipboard, timing, text and system commands "
    "for the Vesh scripting host.";

constexpr char kAlphaNotice[] = "Quorvel " QV_JPEG_VERSION_TEXT ": alpha method build.";

}  // namespace

int32_t about_jpeg_box() {
    return MessageBoxA(nullptr, kJpegAbout, kAboutTitle, MB_ICONINFORMATION);
}

int32_t AboutMe(int32_t, int32_t, int32_t, int32_t) {
    MessageBoxA(nullptr, kTobExtAbout, kAboutTitle, MB_ICONINFORMATION);
    return 0;
}

int32_t AlphaMethod(int32_t, int32_t, int32_t, int32_t) {
    MessageBoxA(nullptr, kAlphaNotice, "AlphaMethod", MB_OK);
    return 0;
}

}  // namespace qv::host

// The one export without the command shape: no arguments, exported undecorated as AboutMe
// (the export list maps it), answering with the box's result.
extern "C" int __stdcall QvAboutMeBox() { return qv::host::about_jpeg_box(); }
