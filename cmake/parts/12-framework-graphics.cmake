# Colours, fonts, brushes, pens, canvases, bitmaps and icons (Windows only).
if(WIN32)
  add_library(qd_framework_graphics STATIC framework/Graphics.cpp)
  target_link_libraries(qd_framework_graphics PUBLIC qd_gdi qd_framework_core gdi32 user32 msimg32)
  qd_test(framework_graphics_tests SOURCES tests/framework/GraphicsTest.cpp LIBS qd_framework_graphics)
endif()
