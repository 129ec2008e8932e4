# The widget library's colour model (portable).
qd_portable_library(qd_widgets_colors widgets/WgColorMath.cpp)
qd_test(widgets_color_tests SOURCES tests/widgets/WgColorMathTest.cpp LIBS qd_widgets_colors)
