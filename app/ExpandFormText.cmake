# Build step: copies a stored form description, replacing each binary block "{@file:<path>}" with the bytes of
# that file (path relative to RESOURCES) as a hex block of 64 digits per line. The bitmaps stay the source of the
# glyphs; the description embedded in the program carries them as "Glyph.Data = {...}".
#   cmake -DFORM_IN=<dfm> -DFORM_OUT=<dfm> -DRESOURCES=<dir> -P ExpandFormText.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/FormHex.cmake)
qd_require_defines(ExpandFormText.cmake FORM_IN FORM_OUT RESOURCES)

file(READ "${FORM_IN}" text)
string(REGEX MATCHALL "\\{@file:[^}]*\\}" blocks "${text}")
list(REMOVE_DUPLICATES blocks)
foreach(block IN LISTS blocks)
  string(REGEX REPLACE "^\\{@file:(.*)\\}$" "\\1" path "${block}")
  string(STRIP "${path}" path)
  if(NOT EXISTS "${RESOURCES}/${path}")
    message(FATAL_ERROR "${FORM_IN}: ${block} names a file that does not exist")
  endif()
  file(READ "${RESOURCES}/${path}" hex HEX)
  string(TOUPPER "${hex}" hex)
  qd_hex_lines(lines "${hex}" "      ")
  string(REPLACE "${block}" "{${lines}}" text "${text}")
endforeach()
qd_write_if_different("${FORM_OUT}" "${text}")
