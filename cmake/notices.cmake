# Writes the third-party notices that ship beside quorvel.dll: the licence text of every library
# linked into it, taken at build time from the sources and packages the build used. Binary
# distribution of those libraries requires their notices.
#   cmake -D OUT=FILE -D SOURCES="TITLE|FILE@@TITLE|FILE..." -P notices.cmake
string(REPLACE "@@" ";" SOURCES "${SOURCES}")
set(text "Third-party notices for quorvel.dll\n")
string(APPEND text "====================================\n\n")
string(APPEND text "quorvel.dll has these libraries linked into it. Their licences ask that the\n")
string(APPEND text "following notices go with every copy of the DLL; keep this file beside it.\n")
foreach(entry IN LISTS SOURCES)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 title)
  list(GET parts 1 file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "notices: ${file} (the notice of ${title}) is missing")
  endif()
  file(READ "${file}" body)
  string(APPEND text "\n\n${title}\n")
  string(REGEX REPLACE "." "-" rule "${title}")
  string(APPEND text "${rule}\n\n${body}")
endforeach()
file(WRITE "${OUT}" "${text}")
