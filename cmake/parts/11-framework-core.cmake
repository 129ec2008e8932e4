# Components with owners, the class and published-property registry, and the form-description applier.
qd_portable_library(qd_framework_core framework/Component.cpp framework/Properties.cpp framework/FormReader.cpp)
target_link_libraries(qd_framework_core PUBLIC qd_formtext qd_classes)

qd_test(framework_core_tests
  SOURCES tests/framework/ComponentTest.cpp tests/framework/PropertiesTest.cpp tests/framework/FormReaderTest.cpp
  LIBS qd_framework_core)

# Start-up cost of reading a main-window-sized description (uses the test classes).
if(NOT QD_FUZZ)
  add_executable(formreader_bench bench/FormReaderBench.cpp)
  target_link_libraries(formreader_bench PRIVATE qd_framework_core)
  target_include_directories(formreader_bench PRIVATE ${CMAKE_SOURCE_DIR})
endif()

qd_fuzzer(fuzz_formreader SOURCES tests/fuzz/fuzz_formreader.cpp LIBS qd_framework_core)
