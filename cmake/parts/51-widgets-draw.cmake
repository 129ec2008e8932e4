# The widget library's drawing helpers (Windows only).
if(WIN32)
  add_library(qd_widgets_draw STATIC widgets/WgCommon.cpp widgets/WgGrafx.cpp)
  target_link_libraries(qd_widgets_draw PUBLIC qd_widgets_colors qd_framework_graphics qd_gdi gdi32 user32)
  qd_test(widgets_draw_tests SOURCES tests/widgets/WgDrawTest.cpp LIBS qd_widgets_draw)
endif()
