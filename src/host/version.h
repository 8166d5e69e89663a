// The library's version, in the forms the version resource and the commands give it.
// Included by the resource script too, so it holds only preprocessor definitions.
#pragma once

#define QV_VERSION_WORDS 0, 6, 5, 1
#define QV_VERSION_DOTTED "0.6.5.1"
#define QV_JPEG_VERSION_TEXT "0.651"
#define QV_TOBEXT_VERSION_TEXT "0.801"
