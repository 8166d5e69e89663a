# The native Linux build of the portable core and its tests (with QV_SANITIZE: under
# AddressSanitizer and UndefinedBehaviorSanitizer).
if(QV_BENCH)
  find_package(OpenCV REQUIRED COMPONENTS core imgproc)
  # The benchmarks that race OpenCV, and those that need only the core.
  foreach(name effects compose)
    add_executable(qv_${name}_bench bench/${name}_bench.cpp)
    target_link_libraries(qv_${name}_bench PRIVATE qv_core ${OpenCV_LIBS})
    target_include_directories(qv_${name}_bench PRIVATE ${OpenCV_INCLUDE_DIRS})
    target_compile_definitions(qv_${name}_bench PRIVATE QV_WITH_OPENCV)
  endforeach()
  # The PNG decoders a script author might otherwise use: Debian's libpng, libspng and stb.
  find_package(PNG REQUIRED)
  find_library(QV_SPNG spng REQUIRED)
  add_executable(qv_png_bench bench/png_bench.cpp)
  target_link_libraries(qv_png_bench PRIVATE qv_core PNG::PNG ${QV_SPNG})
  # Resampling races OpenCV and libvips.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(QV_VIPS REQUIRED IMPORTED_TARGET vips)
  add_executable(qv_resample_bench bench/resample_bench.cpp)
  target_link_libraries(qv_resample_bench PRIVATE qv_core ${OpenCV_LIBS} PkgConfig::QV_VIPS)
  target_include_directories(qv_resample_bench PRIVATE ${OpenCV_INCLUDE_DIRS})
  # What the WebP bridge's placing adds to libwebp's decoding.
  add_executable(qv_webp_bench bench/webp_bench.cpp)
  target_link_libraries(qv_webp_bench PRIVATE qv_core)
  foreach(name search sort)
    add_executable(qv_${name}_bench bench/${name}_bench.cpp)
    target_link_libraries(qv_${name}_bench PRIVATE qv_core)
  endforeach()
endif()

find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(qv_core PUBLIC JPEG::JPEG)
# Debian's libdeflate and zlib; libpng only as the tests' reference decoder.
find_library(QV_DEFLATE deflate REQUIRED)
find_package(ZLIB REQUIRED)
target_link_libraries(qv_core PUBLIC ${QV_DEFLATE} ZLIB::ZLIB)
# Debian's libwebp, the same version as the DLL's (built from its source package).
find_library(QV_WEBP webp REQUIRED)
find_library(QV_WEBPDEMUX webpdemux REQUIRED)
target_link_libraries(qv_core PUBLIC ${QV_WEBPDEMUX} ${QV_WEBP})
find_package(PNG REQUIRED)
add_library(qv_gtest ALIAS GTest::gtest)
add_library(qv_gtest_main ALIAS GTest::gtest_main)

include(${CMAKE_SOURCE_DIR}/tests/core/tests.cmake)
# The PNG reader against libpng on streams at the edges of what libpng reads (scripts/test runs it).
add_executable(qv_png_vs_libpng tools/png_vs_libpng/main.cpp)
target_include_directories(qv_png_vs_libpng PRIVATE tests/common)
target_link_libraries(qv_png_vs_libpng PRIVATE qv_core PNG::PNG)
target_link_libraries(qv_core_tests PRIVATE GTest::gtest_main GTest::gtest PNG::PNG)
target_compile_definitions(qv_core_tests PRIVATE QV_WITH_LIBPNG)
