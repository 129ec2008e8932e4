# Print options and page setup, and the shell DDE server of the browser host.

# The readers of DDE command texts and ID lists are portable: tested natively and fuzzed.
qd_portable_library(qd_browser_dde_parsing browser/ShellDdeParsing.cpp)
target_link_libraries(qd_browser_dde_parsing PUBLIC qd_core)
qd_test(browser_dde_parsing_tests
  SOURCES tests/browser/ShellDdeParsingTest.cpp
  LIBS qd_browser_dde_parsing)
qd_fuzzer(fuzz_shell_dde SOURCES tests/fuzz/fuzz_shell_dde.cpp LIBS qd_browser_dde_parsing)

if(WIN32)
  add_library(qd_browser_print_dde STATIC
    browser/PrintOptions.cpp
    browser/ItemIdList.cpp
    browser/ShellDde.cpp)
  target_link_libraries(qd_browser_print_dde
    PUBLIC qd_core qd_classes qd_browser_dde_parsing user32 shell32 comctl32 advapi32 ole32 oleaut32)

  if(BUILD_TESTING AND NOT QD_FUZZ)
    # A DDE client in a process of its own; the tests start it from their own folder.
    add_executable(browser_print_dde_client_helper tests/browser/ShellDdeClientHelper.cpp)
    target_link_libraries(browser_print_dde_client_helper PRIVATE user32 shell32)
  endif()
  qd_test(browser_print_dde_tests
    SOURCES tests/browser/PrintOptionsTest.cpp tests/browser/ShellDdeTest.cpp
    LIBS qd_browser_print_dde)
  if(TARGET browser_print_dde_tests)
    add_dependencies(browser_print_dde_tests browser_print_dde_client_helper)
  endif()
endif()
