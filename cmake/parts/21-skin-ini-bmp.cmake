# Portable skin data core: description parser, colour triples, image buffer, BMP reader/writer, pixel operations.
qd_portable_library(qd_skin_portable_ini
  skin/data/QuickIni.cpp
  skin/data/SkinColors.cpp
  skin/data/ImageBuffer.cpp
  skin/data/Bmp.cpp
  skin/data/PixelOps.cpp)
target_link_libraries(qd_skin_portable_ini PUBLIC qd_classes)

qd_test(skin_ini_tests
  SOURCES
    tests/skin/data/QuickIniTest.cpp
    tests/skin/data/SkinColorsTest.cpp
    tests/skin/data/BmpTest.cpp
    tests/skin/data/PixelOpsTest.cpp
  LIBS qd_skin_portable_ini)

qd_fuzzer(fuzz_bmp SOURCES tests/fuzz/fuzz_bmp.cpp LIBS qd_skin_portable_ini)
qd_fuzzer(fuzz_ini SOURCES tests/fuzz/fuzz_ini.cpp LIBS qd_skin_portable_ini)
