# The native Linux build of the portable core and its tests (with QV_SANITIZE: under
# AddressSanitizer and UndefinedBehaviorSanitizer).
if(QV_BENCH)
  find_package(OpenCV REQUIRED COMPONENTS core imgproc)
  add_executable(qv_effects_bench bench/effects_bench.cpp)
  target_link_libraries(qv_effects_bench PRIVATE qv_core ${OpenCV_LIBS})
  target_include_directories(qv_effects_bench PRIVATE ${OpenCV_INCLUDE_DIRS})
  target_compile_definitions(qv_effects_bench PRIVATE QV_WITH_OPENCV)
  add_executable(qv_search_bench bench/search_bench.cpp)
  target_link_libraries(qv_search_bench PRIVATE qv_core)
  add_executable(qv_sort_bench bench/sort_bench.cpp)
  target_link_libraries(qv_sort_bench PRIVATE qv_core)
endif()

find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(qv_core PUBLIC JPEG::JPEG)
add_library(qv_gtest ALIAS GTest::gtest)
add_library(qv_gtest_main ALIAS GTest::gtest_main)

include(${CMAKE_SOURCE_DIR}/tests/core/tests.cmake)
target_link_libraries(qv_core_tests PRIVATE GTest::gtest_main GTest::gtest)
