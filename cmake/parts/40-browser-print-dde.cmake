# Print options and page setup, and the shell DDE server of the browser host (Windows only).
if(WIN32)
  add_library(qd_browser_print_dde STATIC
    browser/PrintOptions.cpp
    browser/ItemIdList.cpp
    browser/ShellDde.cpp)
  target_link_libraries(qd_browser_print_dde PUBLIC qd_core qd_classes user32 shell32 comctl32 advapi32 ole32 oleaut32)

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
