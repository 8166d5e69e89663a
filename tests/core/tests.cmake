# The portable core's tests: built natively (under the sanitizers) and for Wine.
file(GLOB QV_CORE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
add_executable(qv_core_tests ${QV_CORE_TESTS})
target_include_directories(qv_core_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/core ${CMAKE_SOURCE_DIR}/tests/common)
target_sources(qv_core_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/jpeg_files.cpp ${CMAKE_SOURCE_DIR}/tests/common/effects_reference.cpp)
target_link_libraries(qv_core_tests PRIVATE qv_core qv_script qv_pi_encoder)
