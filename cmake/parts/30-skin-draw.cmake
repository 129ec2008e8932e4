# Drawing primitives of the skin engine (Windows only).
if(WIN32)
  add_library(qd_skin_draw STATIC skin/form/SkinDraw.cpp)
  target_link_libraries(qd_skin_draw PUBLIC qd_gdi gdi32 user32)
  qd_test(skin_draw_tests SOURCES tests/skin/form/SkinDrawTest.cpp LIBS qd_skin_draw)
endif()
