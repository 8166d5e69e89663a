// The error manager (see error.h).
#include "jpeg/error.h"

#include <jerror.h>

namespace qv::jpeg {

namespace {

[[noreturn]] void jump_back(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void stay_quiet(j_common_ptr) {}

void note_message(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && (err->pub.msg_code == JWRN_JPEG_EOF || err->pub.msg_code == JWRN_HIT_MARKER))
        err->data_ended_early = true;
    err->standard_emit(cinfo, level);  // libjpeg counts warnings; its output goes nowhere
}

}  // namespace

jpeg_error_mgr* init_error_manager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jump_back;
    err.pub.output_message = stay_quiet;
    err.standard_emit = err.pub.emit_message;
    err.pub.emit_message = note_message;
    err.data_ended_early = false;
    return &err.pub;
}

}  // namespace qv::jpeg
