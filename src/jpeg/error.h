// libjpeg's error handling, made safe for a host that must never go down: a fatal error
// jumps back to the operation that set the jump target (error_exit never returns into
// libjpeg), and nothing is ever printed. Warnings are counted as libjpeg counts them; a
// source that runs dry in the middle of the data is remembered, because libjpeg only warns
// about it and fills the rest of the picture with grey. So is a scan whose data stops at a
// marker before the picture is complete.
//
// Frames between the setjmp and libjpeg must hold no object with a destructor.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace qv::jpeg {

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so that libjpeg's pointer is ours too
    std::jmp_buf jump;
    void (*standard_emit)(j_common_ptr, int);
    bool data_ended_early;
};

// Sets up `err` and returns the libjpeg view of it, for cinfo.err.
jpeg_error_mgr* init_error_manager(ErrorManager& err);

}  // namespace qv::jpeg
