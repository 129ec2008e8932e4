# OLE control hosting (framework side), the WebBrowser wrapper and the browser host (Windows only).
if(WIN32)
  add_library(qd_olecontrol STATIC framework/OleControl.cpp)
  target_include_directories(qd_olecontrol PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_olecontrol PUBLIC qd_framework ole32 oleaut32 uuid)

  add_library(qd_browser STATIC browser/WebBrowser.cpp browser/EmbeddedBrowser.cpp)
  target_include_directories(qd_browser PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_browser PUBLIC qd_olecontrol qd_browser_print_dde qd_framework
    ole32 oleaut32 uuid urlmon shlwapi comctl32 advapi32)

  qd_test(browser_tests
    SOURCES
      tests/browser/OleControlTest.cpp
      tests/browser/EmbeddedBrowserTest.cpp
    LIBS qd_browser)
  if(TARGET browser_tests)
    # The tests read the main window's stored description from the source tree (through Wine's Z: drive).
    target_compile_definitions(browser_tests PRIVATE QD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
endif()
