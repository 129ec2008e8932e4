# What the build steps that store bytes in a stored form description share (scripts run with cmake -P).

# qd_require_defines(SCRIPT VAR...): stops unless every VAR was given with -D.
function(qd_require_defines script)
  foreach(var IN LISTS ARGN)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${script} needs -D${var}=...")
    endif()
  endforeach()
endfunction()

# qd_hex_lines(OUT HEX PREFIX): HEX in lines of 64 digits, each line after a line break and PREFIX.
function(qd_hex_lines out hex prefix)
  string(LENGTH "${hex}" n)
  set(lines "")
  set(at 0)
  while(at LESS n)
    string(SUBSTRING "${hex}" ${at} 64 piece)
    string(APPEND lines "\n${prefix}${piece}")
    math(EXPR at "${at} + 64")
  endwhile()
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# qd_write_if_different(PATH TEXT): writes TEXT to PATH; a file that holds it already is left alone (and so is its
# time, so nothing that depends on it is built again).
function(qd_write_if_different path text)
  file(WRITE "${path}.tmp" "${text}")
  file(COPY_FILE "${path}.tmp" "${path}" ONLY_IF_DIFFERENT)
  file(REMOVE "${path}.tmp")
endfunction()
