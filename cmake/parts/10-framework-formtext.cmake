# Stored form descriptions: the portable reader and writer of the form text, its tests and its fuzzer;
# also the native tests of the portable run-time classes it builds on.
qd_portable_library(qd_formtext framework/FormText.cpp)
target_link_libraries(qd_formtext PUBLIC qd_classes)

qd_test(framework_formtext_tests SOURCES tests/framework/FormTextTest.cpp LIBS qd_formtext)
qd_test(framework_classes_tests SOURCES tests/framework/ClassesTest.cpp LIBS qd_classes)

qd_fuzzer(fuzz_formtext SOURCES tests/fuzz/fuzz_formtext.cpp LIBS qd_formtext)
