// The library entry point. The library sets nothing up at load: every setting starts as a
// zero-initialised global, so there is nothing to do for any reason.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
