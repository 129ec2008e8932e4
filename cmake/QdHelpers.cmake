# Helpers for the folders' build files.

# qd_program(NAME SOURCES ... LIBS ... INCLUDES ...): the executable behind the test, fuzzer and benchmark helpers
# (a keyword given twice adds to its list).
function(qd_program name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  target_include_directories(${name} PRIVATE ${P_INCLUDES})
endfunction()

# qd_test(NAME SOURCES ... LIBS ...): a GoogleTest program. Native builds register each case with ctest; the
# Windows build runs the program under Wine (the cross-compiling emulator) as one test.
function(qd_test name)
  if(NOT QD_TESTS)
    return()
  endif()
  qd_program(${name} ${ARGN} LIBS qd_test_main INCLUDES ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# qd_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target, built only with QD_FUZZ.
function(qd_fuzzer name)
  if(NOT QD_FUZZ)
    return()
  endif()
  qd_program(${name} ${ARGN} INCLUDES ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

# qd_portable_library(NAME SOURCES ...): code without <windows.h> in its headers, built for every preset.
# With QD_FUZZ it is compiled with the fuzzing instrumentation too, so coverage reaches it.
function(qd_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(QD_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endif()
endfunction()

# qd_windows_library(NAME SOURCES ...): a library of the Windows build.
function(qd_windows_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# qd_bench(NAME SOURCES ... LIBS ...): a benchmark program that prints figures (never run by ctest).
function(qd_bench name)
  if(QD_FUZZ)
    return()
  endif()
  qd_program(${name} ${ARGN} INCLUDES ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
endfunction()

# qd_ship(TARGET DESCRIPTION text [SHORTCUT name]): a program we ship (Windows build). It gets the version
# information of packaging/VersionInfo.rc.in and is installed by the installer and the portable zip
# (packaging/CMakeLists.txt); SHORTCUT gives it a Start-menu shortcut of that name.
function(qd_ship target)
  cmake_parse_arguments(S "" "DESCRIPTION;SHORTCUT" "" ${ARGN})
  if(NOT WIN32 OR QD_FUZZ)
    return()
  endif()
  set(QD_TARGET ${target})
  set(QD_FILE_DESCRIPTION ${S_DESCRIPTION})
  configure_file(${CMAKE_SOURCE_DIR}/packaging/VersionInfo.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  install(TARGETS ${target} RUNTIME DESTINATION .)
  set_property(GLOBAL APPEND PROPERTY QD_SHIPPED ${target})
  if(S_SHORTCUT)
    set_property(GLOBAL APPEND PROPERTY QD_SHORTCUTS "${S_SHORTCUT}=${target}.exe")
  endif()
endfunction()
