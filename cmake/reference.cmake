# The DLL's export list and docs/commands.md, written by tools/reference from the compiled
# command and results tables (the only reader of both). The tool is built for the build
# machine, in the DLL's cross build too, and run again whenever a table, the tool or an
# example script changes; it stops the build on a table that does not hold together.

find_program(QV_HOST_CXX NAMES clang++ c++ g++ REQUIRED)
set(QV_DEF_FILE ${CMAKE_BINARY_DIR}/quorvel.def)
set(qv_reference ${CMAKE_BINARY_DIR}/qv_reference)
set(qv_reference_sources ${CMAKE_SOURCE_DIR}/tools/reference/main.cpp ${CMAKE_SOURCE_DIR}/tools/run/result_meanings.cpp)
file(GLOB qv_examples CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/commands/*.qv)

add_custom_command(OUTPUT ${qv_reference}
  COMMAND ${QV_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/tools/run
    ${qv_reference_sources} -o ${qv_reference}
  DEPENDS ${qv_reference_sources} ${CMAKE_SOURCE_DIR}/tools/run/result_meanings.h ${CMAKE_SOURCE_DIR}/src/commands.h
    ${CMAKE_SOURCE_DIR}/src/results.h ${CMAKE_SOURCE_DIR}/src/command_kinds.h ${CMAKE_SOURCE_DIR}/src/host/records.h
  COMMENT "Building the reference writer for the build machine"
  VERBATIM)
add_custom_command(OUTPUT ${QV_DEF_FILE} ${CMAKE_SOURCE_DIR}/docs/commands.md
  COMMAND ${qv_reference} ${CMAKE_SOURCE_DIR} ${QV_DEF_FILE}
  DEPENDS ${qv_reference} ${qv_examples} ${CMAKE_SOURCE_DIR}/examples/demo.qv ${CMAKE_SOURCE_DIR}/examples/gallery.qv
  COMMENT "Writing the export list and docs/commands.md from the tables"
  VERBATIM)
add_custom_target(qv_reference_files ALL DEPENDS ${QV_DEF_FILE} ${CMAKE_SOURCE_DIR}/docs/commands.md)
