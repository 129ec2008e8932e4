# Skin manager and the control dispatch (Windows), with their tests under Wine.
if(WIN32)
  add_library(qd_skin_controls STATIC
    skin/controls/ControlDispatch.cpp
    skin/controls/SkinManage.cpp)
  target_include_directories(qd_skin_controls PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_skin_controls PUBLIC qd_skin_data qd_framework user32 gdi32)

  # The engine's form skinner, when its library is declared (by a fragment read before or after this one).
  function(_qd_skin_controls_wire_form)
    if(TARGET qd_skin_form)
      target_link_libraries(qd_skin_controls PUBLIC qd_skin_form)
      target_compile_definitions(qd_skin_controls PRIVATE QD_HAVE_SKIN_FORM=1)
      if(TARGET skin_controls_tests AND TARGET qd_skin_package)
        # Dialogs skinned by the real form skinner with our packed skin.
        add_dependencies(skin_controls_tests qd_skin_package)
        target_compile_definitions(skin_controls_tests PRIVATE QD_HAVE_SKIN_FORM=1
          QD_SKIN_PACKAGE_FILE="Z:${CMAKE_BINARY_DIR}/resources/xpluna.skn"
          QD_SCREENSHOT_DIR=L"Z:${CMAKE_BINARY_DIR}")
      endif()
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _qd_skin_controls_wire_form)

  qd_test(skin_controls_tests
    SOURCES tests/support/MessageRecorder.cpp tests/skin/controls/ControlDispatchTest.cpp
            tests/skin/controls/SkinManageTest.cpp tests/skin/controls/RealSkinFormTest.cpp
    LIBS qd_skin_controls comctl32 comdlg32)
endif()
