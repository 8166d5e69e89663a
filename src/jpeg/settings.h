// The JPEG bridge's process-wide settings: the encoder parameters, the one-shot comment,
// the memory source. Set by the setting commands, kept until changed.
#pragma once

#include <cstdint>

#include "host/records.h"
#include "jpeg/decode.h"

namespace qv::jpeg {

struct EncoderSettings {
    int32_t quality = 70;     // 1..100
    int32_t save_dct = 0;     // low 4 bits: 1 ISLOW, 2 IFAST, 3 FLOAT, else libjpeg's default
    int32_t save_flags = 0;   // bit 0 progressive, bit 1 grayscale
    int32_t smoothing = 0;    // 1..100, 0 = libjpeg's default
    int32_t h_sampling = 0, v_sampling = 0;  // 1..2 for the first component, 0 = default
    int32_t x_density = 0, y_density = 0;    // dots per inch, 1..32767, 0 = default
    // The comment marker's bytes for this save, taken from the pending comment by JpegSave;
    // the encoder clears the pointer once it has written them.
    const uint8_t* comment = nullptr;
    uint32_t comment_length = 0;
};

// JpegComment's text, pending until a save writes it. Not copied: the variable's record is
// kept, and its storage read by the save as the record gives it then (the script may have
// re-dimensioned the variable in between).
struct PendingComment {
    host::PVAL* var = nullptr;  // none pending
    uint32_t length = 0;        // as JpegComment measured it
};

struct Settings {
    EncoderSettings encoder;
    PendingComment comment;
    host::PVAL* memory_source = nullptr;  // one-shot: cleared by the command that uses it
    uint32_t memory_bytes = 0;
    LoadOptions load;  // JpegLoadParam: read by every load and size command until changed
};

extern Settings settings;

}  // namespace qv::jpeg
