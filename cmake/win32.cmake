# The 32-bit Windows build: quorvel.dll, the runner, and the tests that run under Wine.
enable_language(RC)

set(QV_DEPS ${CMAKE_SOURCE_DIR}/build/deps)
set(QV_JPEG_PREFIX ${QV_DEPS}/libjpeg-turbo-mingw)
set(QV_GTEST_PREFIX ${QV_DEPS}/googletest-mingw)

# The toolchain file sets SSE2 arithmetic and static runtime libraries for every target.

# Code that calls Win32: the DLL and the test host both link it.
add_library(qv_jpeg STATIC IMPORTED)
set_target_properties(qv_jpeg PROPERTIES
  IMPORTED_LOCATION ${QV_JPEG_PREFIX}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV_JPEG_PREFIX}/include)
target_link_libraries(qv_core PUBLIC qv_jpeg)
add_library(qv_deflate STATIC IMPORTED)
set_target_properties(qv_deflate PROPERTIES
  IMPORTED_LOCATION ${QV_DEPS}/libdeflate-mingw/lib/libdeflate.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV_DEPS}/libdeflate-mingw/include)
target_link_libraries(qv_core PUBLIC qv_deflate)
add_library(qv_zlib STATIC IMPORTED)
set_target_properties(qv_zlib PROPERTIES
  IMPORTED_LOCATION ${QV_DEPS}/zlib-mingw/lib/libz.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV_DEPS}/zlib-mingw/include)
target_link_libraries(qv_core PUBLIC qv_zlib)
set(QV_WEBP_PREFIX ${QV_DEPS}/libwebp-mingw)
add_library(qv_webp STATIC IMPORTED)
set_target_properties(qv_webp PROPERTIES
  IMPORTED_LOCATION ${QV_WEBP_PREFIX}/lib/libwebp.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV_WEBP_PREFIX}/include)
add_library(qv_webpdemux STATIC IMPORTED)
set_target_properties(qv_webpdemux PROPERTIES
  IMPORTED_LOCATION ${QV_WEBP_PREFIX}/lib/libwebpdemux.a
  INTERFACE_LINK_LIBRARIES qv_webp)
target_link_libraries(qv_core PUBLIC qv_webpdemux qv_webp)

# The DLL's own code beyond the portable core: the command adapters that read host records
# (32-bit only) and the code that calls Win32. The test host links it too.
add_library(qv_win STATIC
  src/clip/clipboard_win.cpp
  src/clip/drop_win.cpp
  src/clip/png_clip_win.cpp
  src/png/commands.cpp
  src/webp/commands.cpp
  src/host/refresh_win.cpp
  src/host/about_win.cpp
  src/archive/entries.cpp
  src/jpeg/commands.cpp
  src/jpeg/memory.cpp
  src/compose/commands.cpp
  src/compose/desktop_win.cpp
  src/compose/geometry_commands.cpp
  src/compose/resample_commands.cpp
  src/draw/palette_win.cpp
  src/draw/primitives_win.cpp
  src/draw/regions_win.cpp
  src/effects/commands.cpp
  src/effects/mosaic_win.cpp
  src/text/commands.cpp
  src/timing/timers_win.cpp
  src/text/search_commands.cpp
  src/text/map_win.cpp
  src/text/block_commands.cpp
  src/effects/pixels_win.cpp
  src/pi/about_win.cpp
  src/pi/commands.cpp
  src/system/dialogs_win.cpp
  src/system/queries_win.cpp
  src/system/shell_win.cpp
  src/system/shortcuts_win.cpp
  src/window/activation_win.cpp
  src/window/controls_win.cpp
  src/window/desktop_win.cpp
  src/window/menus_win.cpp
  src/window/metrics_win.cpp
  src/window/placement_win.cpp
  src/window/state_win.cpp
  src/window/styles_win.cpp
)
target_link_libraries(qv_win PUBLIC qv_core gdi32 user32 winmm shell32 ole32 uuid comdlg32 imm32)

add_library(quorvel SHARED
  src/host/exports.cpp
  src/host/dllmain_win.cpp
  src/host/version.rc
  ${QV_DEF_FILE}
)
set_target_properties(quorvel PROPERTIES PREFIX "" OUTPUT_NAME quorvel)
target_include_directories(quorvel PRIVATE src)
target_link_libraries(quorvel PRIVATE qv_win)
target_link_options(quorvel PRIVATE -s)
# Linked against the win32 thread model's runtime: the import table lists only what the
# commands use (see the script). The one reason for two thread models is that Debian 12's
# mingw-w64 (GCC 12) has no std::mutex in its win32 model, which GoogleTest needs; a
# compiler whose win32 model has it (GCC 13 and later) lets the whole build use that model
# and this launcher go.
set_target_properties(quorvel PROPERTIES CXX_LINKER_LAUNCHER "${CMAKE_SOURCE_DIR}/cmake/link-win32-threads")
set_property(SOURCE src/host/version.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/src)

# The notices of every library linked into the DLL, written beside it as quorvel-notices.txt:
# libjpeg-turbo (its own licence and the IJG's), libdeflate, zlib, libwebp (its licence and
# patent grant), the GCC runtime (libgcc and libstdc++, under
# the GCC Runtime Library Exception) and the mingw-w64 runtime, each from the files of the
# source or package the build used.
set(QV_NOTICES
  "libjpeg-turbo|${QV_JPEG_PREFIX}/share/doc/libjpeg-turbo/LICENSE.md"
  "The Independent JPEG Group's software (in libjpeg-turbo)|${QV_JPEG_PREFIX}/share/doc/libjpeg-turbo/README.ijg"
  "libdeflate|${QV_DEPS}/libdeflate-mingw/COPYING"
  "zlib|${QV_DEPS}/zlib-mingw/LICENSE"
  "libwebp|${QV_WEBP_PREFIX}/COPYING"
  "libwebp's additional IP rights grant|${QV_WEBP_PREFIX}/PATENTS"
  "The GCC runtime: libgcc and libstdc++ (Debian's gcc-mingw-w64)|/usr/share/doc/gcc-mingw-w64-base/copyright"
  "The mingw-w64 runtime (Debian's mingw-w64)|/usr/share/doc/mingw-w64-common/copyright")
set(qv_notice_files "")
foreach(entry IN LISTS QV_NOTICES)
  string(REGEX REPLACE "^[^|]*[|]" "" f "${entry}")
  list(APPEND qv_notice_files "${f}")
endforeach()
string(REPLACE ";" "@@" qv_notices_arg "${QV_NOTICES}")  # one argument on the command line
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quorvel-notices.txt
  COMMAND ${CMAKE_COMMAND} -D OUT=${CMAKE_BINARY_DIR}/quorvel-notices.txt "-DSOURCES=${qv_notices_arg}"
          -P ${CMAKE_SOURCE_DIR}/cmake/notices.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/notices.cmake ${qv_notice_files}
  VERBATIM)
add_custom_target(qv_notices ALL DEPENDS ${CMAKE_BINARY_DIR}/quorvel-notices.txt)

# The host's screens and variables, for the runner and the test host.
add_library(qv_hostsim STATIC tools/hostsim/host_screen_win.cpp)
target_include_directories(qv_hostsim PUBLIC tools/hostsim src)
target_link_libraries(qv_hostsim PUBLIC gdi32 user32)

add_executable(qvrun tools/run/main_win.cpp src/simd/wide.cpp)
target_link_libraries(qvrun PRIVATE qv_hostsim qv_script)
add_dependencies(qvrun quorvel)

add_library(qv_gtest STATIC IMPORTED)
set_target_properties(qv_gtest PROPERTIES
  IMPORTED_LOCATION ${QV_GTEST_PREFIX}/lib/libgtest.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV_GTEST_PREFIX}/include)
add_library(qv_gtest_main STATIC IMPORTED)
set_target_properties(qv_gtest_main PROPERTIES IMPORTED_LOCATION ${QV_GTEST_PREFIX}/lib/libgtest_main.a)

include(${CMAKE_SOURCE_DIR}/tests/core/tests.cmake)
target_link_libraries(qv_core_tests PRIVATE qv_gtest_main qv_gtest)

file(GLOB QV_HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(qv_host_tests ${QV_HOST_TESTS})
target_include_directories(qv_host_tests PRIVATE tests/host tests/common)
target_sources(qv_host_tests PRIVATE tests/common/jpeg_files.cpp tests/common/effects_reference.cpp)
target_link_libraries(qv_host_tests PRIVATE qv_hostsim qv_win qv_script qv_pi_encoder qv_gtest version advapi32)
add_dependencies(qv_host_tests quorvel qvrun)

# Benchmarks: programs that print figures, run by scripts/bench (never timed tests).
add_executable(qv_jpeg_bench bench/jpeg_bench_win.cpp)
target_link_libraries(qv_jpeg_bench PRIVATE qv_hostsim qv_jpeg psapi)
target_include_directories(qv_jpeg_bench PRIVATE bench)
add_dependencies(qv_jpeg_bench quorvel)
add_executable(qv_effects_bench bench/effects_bench.cpp)
target_link_libraries(qv_effects_bench PRIVATE qv_core)
add_executable(qv_compose_bench bench/compose_bench.cpp)
target_link_libraries(qv_compose_bench PRIVATE qv_core)
add_executable(qv_frames_bench bench/frames_bench_win.cpp)
target_link_libraries(qv_frames_bench PRIVATE qv_hostsim winmm)
target_include_directories(qv_frames_bench PRIVATE bench)
add_dependencies(qv_frames_bench quorvel)
add_executable(qv_draw_bench bench/draw_bench_win.cpp)
target_link_libraries(qv_draw_bench PRIVATE qv_hostsim qv_core)
target_include_directories(qv_draw_bench PRIVATE bench)
add_dependencies(qv_draw_bench quorvel)
add_executable(qv_png_bench bench/png_bench_win.cpp)
target_link_libraries(qv_png_bench PRIVATE qv_hostsim qv_core)
target_include_directories(qv_png_bench PRIVATE bench)
add_dependencies(qv_png_bench quorvel)
add_executable(qv_webp_bench bench/webp_bench_win.cpp)
target_link_libraries(qv_webp_bench PRIVATE qv_hostsim qv_core)
target_include_directories(qv_webp_bench PRIVATE bench)
add_dependencies(qv_webp_bench quorvel)
add_executable(qv_clip_bench bench/clip_bench_win.cpp)
target_link_libraries(qv_clip_bench PRIVATE qv_hostsim qv_core)
target_include_directories(qv_clip_bench PRIVATE bench)
add_dependencies(qv_clip_bench quorvel)
add_executable(qv_pi_bench bench/pi_bench_win.cpp)
target_link_libraries(qv_pi_bench PRIVATE qv_hostsim qv_pi_encoder)
target_include_directories(qv_pi_bench PRIVATE bench)
add_dependencies(qv_pi_bench quorvel)
