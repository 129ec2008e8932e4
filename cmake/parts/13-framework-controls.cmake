# Controls, forms, the application object, timer, status bar and label base (Windows only).
if(WIN32)
  enable_language(RC)
  add_library(qd_framework STATIC
    framework/Application.cpp
    framework/Controls.cpp
    framework/Forms.cpp
    framework/ExtCtrls.cpp
    framework/ComCtrls.cpp
    framework/StdCtrls.cpp
    framework/Resources.cpp)
  target_include_directories(qd_framework PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_framework PUBLIC qd_framework_graphics qd_framework_core qd_gdi
    user32 gdi32 comctl32 ole32)

  qd_test(framework_controls_tests
    SOURCES
      tests/support/MessageRecorder.cpp
      tests/support/MessageRecorderTest.cpp
      tests/framework/ControlsTest.cpp
      tests/framework/FormsTest.cpp
      tests/framework/ApplicationTest.cpp
      tests/framework/FormResource.rc
    LIBS qd_framework)
endif()
