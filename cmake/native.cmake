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
  foreach(name search sort)
    add_executable(qv_${name}_bench bench/${name}_bench.cpp)
    target_link_libraries(qv_${name}_bench PRIVATE qv_core)
  endforeach()
endif()

find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(qv_core PUBLIC JPEG::JPEG)
add_library(qv_gtest ALIAS GTest::gtest)
add_library(qv_gtest_main ALIAS GTest::gtest_main)

include(${CMAKE_SOURCE_DIR}/tests/core/tests.cmake)
target_link_libraries(qv_core_tests PRIVATE GTest::gtest_main GTest::gtest)
