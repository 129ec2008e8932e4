# Build step: copies the main form's stored description, storing the packed skin in its skin data component as
#   SkinStream = {<32-bit little-endian byte count><package bytes>}
# (hex, 64 digits per line) just before the "end" of the "object SkinData_Main: TSkinData" block. A SkinStream
# line already in that block is replaced. The skin's artwork stays the source; the description only carries it.
#   cmake -DFORM_IN=<dfm> -DFORM_OUT=<dfm> -DPACKAGE=<skn> -P EmbedSkinStream.cmake
include(${CMAKE_CURRENT_LIST_DIR}/FormHex.cmake)
qd_require_defines(EmbedSkinStream.cmake FORM_IN FORM_OUT PACKAGE)
if(NOT EXISTS "${PACKAGE}")
  message(FATAL_ERROR "EmbedSkinStream.cmake: no skin package at ${PACKAGE}")
endif()

file(SIZE "${PACKAGE}" size)
# The reader refuses counts above 64 MiB; a package that large is a build fault, not something to store.
if(size LESS_EQUAL 0 OR size GREATER 67108864)
  message(FATAL_ERROR "EmbedSkinStream.cmake: ${PACKAGE} has ${size} bytes")
endif()

# Count as four little-endian bytes.
math(EXPR count_hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
string(SUBSTRING "${count_hex}" 2 -1 count_hex)
string(LENGTH "${count_hex}" n)
while(n LESS 8)
  string(PREPEND count_hex "0")
  math(EXPR n "${n} + 1")
endwhile()
string(SUBSTRING "${count_hex}" 6 2 b0)
string(SUBSTRING "${count_hex}" 4 2 b1)
string(SUBSTRING "${count_hex}" 2 2 b2)
string(SUBSTRING "${count_hex}" 0 2 b3)
file(READ "${PACKAGE}" hex HEX)
set(hex "${b0}${b1}${b2}${b3}${hex}")
string(TOUPPER "${hex}" hex)

# Whole-text operations only: a description's lines may hold ";" and brackets, which CMake lists would split.
file(READ "${FORM_IN}" text)
string(REGEX MATCH "\n( *)object SkinData_Main *: *TSkinData *\r?\n" header "${text}")
if(header STREQUAL "")
  message(FATAL_ERROR "EmbedSkinStream.cmake: ${FORM_IN} has no \"object SkinData_Main: TSkinData\" block")
endif()
set(indent "${CMAKE_MATCH_1}")
string(FIND "${text}" "${header}" header_at)
string(LENGTH "${header}" header_length)
math(EXPR body_at "${header_at} + ${header_length}")
string(SUBSTRING "${text}" ${body_at} -1 rest)
# The block's own "end": the first line that is the block's indentation and "end" alone (a nested block's end is
# indented deeper and does not match).
string(FIND "${rest}" "\n${indent}end\n" end_at)
if(end_at LESS 0)
  string(FIND "${rest}" "\n${indent}end\r\n" end_at)
endif()
if(end_at LESS 0)
  message(FATAL_ERROR "EmbedSkinStream.cmake: the SkinData_Main block of ${FORM_IN} has no end")
endif()
math(EXPR end_at "${end_at} + 1")
string(SUBSTRING "${rest}" 0 ${end_at} block)
if(block MATCHES "SkinStream *=")
  message(FATAL_ERROR "EmbedSkinStream.cmake: ${FORM_IN} already stores a SkinStream; the build inserts it")
endif()

qd_hex_lines(lines "${hex}" "${indent}    ")
set(stream "${indent}  SkinStream = {${lines}}\n")

math(EXPR insert_at "${body_at} + ${end_at}")
string(SUBSTRING "${text}" 0 ${insert_at} before)
string(SUBSTRING "${text}" ${insert_at} -1 after)
qd_write_if_different("${FORM_OUT}" "${before}${stream}${after}")
