# LZH codec and skin package reader (portable core), the skinpack tool, the packed skin, tests, benchmark, fuzzer.
qd_portable_library(qd_skin_codec skin/data/Lzh.cpp skin/data/SkinReader.cpp)
target_link_libraries(qd_skin_codec PUBLIC qd_classes)

# Our packer (not part of the program) and the package checks the tool and the tests share.
qd_portable_library(qd_skinpack_lib tools/skinpack/LzhEncoder.cpp tools/skinpack/SkinPackage.cpp)
target_link_libraries(qd_skinpack_lib PUBLIC qd_skin_codec)

if(NOT QD_FUZZ)
  add_executable(skinpack tools/skinpack/main.cpp)
  target_link_libraries(skinpack PRIVATE qd_skinpack_lib)
  if(WIN32)
    target_link_libraries(skinpack PRIVATE shell32)
  endif()

  add_executable(lzh_bench bench/LzhBench.cpp)
  target_link_libraries(lzh_bench PRIVATE qd_skinpack_lib)
  target_include_directories(lzh_bench PRIVATE ${CMAKE_SOURCE_DIR})

  # resources/skin/ packed into the build folder: resources/xpluna.skn. The Windows build runs skinpack.exe
  # through the cross-compiling emulator (Wine); a target name as COMMAND gets the emulator prepended.
  if(EXISTS ${CMAKE_SOURCE_DIR}/resources/skin/package.lst)
    file(GLOB QD_SKIN_SOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/skin/*)
    set(QD_SKIN_PACKAGE ${CMAKE_BINARY_DIR}/resources/xpluna.skn)
    add_custom_command(OUTPUT ${QD_SKIN_PACKAGE}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
      COMMAND skinpack pack ${CMAKE_SOURCE_DIR}/resources/skin ${QD_SKIN_PACKAGE}
      DEPENDS skinpack ${QD_SKIN_SOURCE_FILES}
      COMMENT "Packing resources/skin into xpluna.skn"
      VERBATIM)
    add_custom_target(qd_skin_package DEPENDS ${QD_SKIN_PACKAGE})
  endif()
endif()

qd_test(skin_codec_tests
  SOURCES
    tests/skin/data/LzhTest.cpp
    tests/skin/data/SkinReaderTest.cpp
    tests/skin/data/SkinpackTest.cpp
  LIBS qd_skinpack_lib)

qd_fuzzer(fuzz_package SOURCES tests/fuzz/fuzz_package.cpp LIBS qd_skin_codec)

# The description parser and BMP reader live in another fragment; when that library exists, the package
# checks (skinpack verify, the fuzzer) parse the description and read every bitmap as the program does.
function(_qd_skin_codec_wire_formats)
  if(TARGET qd_skin_portable_ini)
    target_link_libraries(qd_skinpack_lib PUBLIC qd_skin_portable_ini)
    target_compile_definitions(qd_skinpack_lib PRIVATE QD_SKINPACK_WITH_SKIN_FORMATS=1)
    if(TARGET lzh_bench)
      target_compile_definitions(lzh_bench PRIVATE QD_BENCH_WITH_SKIN_FORMATS=1)
    endif()
    if(TARGET fuzz_package)
      target_link_libraries(fuzz_package PRIVATE qd_skin_portable_ini)
      target_compile_definitions(fuzz_package PRIVATE QD_FUZZ_WITH_SKIN_FORMATS=1)
    endif()
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _qd_skin_codec_wire_formats)

if(TARGET skin_codec_tests)
  target_compile_definitions(skin_codec_tests PRIVATE QD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()

# The command-line tests run the native tool.
if(TARGET skin_codec_tests AND TARGET skinpack AND NOT WIN32)
  add_dependencies(skin_codec_tests skinpack)
  target_compile_definitions(skin_codec_tests PRIVATE QD_SKINPACK_EXE="$<TARGET_FILE:skinpack>")
endif()

# The decoder's comparisons are tree arithmetic, not input matching: tracing them for the fuzzer only slows
# every run several times over. Edge coverage stays.
if(QD_FUZZ)
  set_source_files_properties(skin/data/Lzh.cpp PROPERTIES COMPILE_OPTIONS "-fno-sanitize-coverage=trace-cmp")
endif()
