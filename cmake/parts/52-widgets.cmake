# The widget library's label and bit buttons (Windows only), with their tests under Wine.
if(WIN32)
  add_library(qd_widgets STATIC widgets/WgLabel.cpp widgets/WgButton.cpp)
  target_include_directories(qd_widgets PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_widgets PUBLIC qd_widgets_draw qd_framework uxtheme gdi32 user32)
  qd_test(widgets_tests
    SOURCES tests/widgets/WgLabelTest.cpp tests/widgets/WgButtonTest.cpp
    LIBS qd_widgets)
endif()
if(TARGET widgets_tests)
  # The tests read the program's glyph strips from the source tree (through Wine's Z: drive).
  target_compile_definitions(widgets_tests PRIVATE QD_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")
endif()
