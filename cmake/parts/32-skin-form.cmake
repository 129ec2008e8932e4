# The form skinner (Windows only): attach/detach through the subclass chain, the skinned frame, caption buttons;
# its tests under Wine and the frame benchmark.
if(WIN32)
  add_library(qd_skin_form STATIC
    skin/form/WindowHook.cpp
    skin/form/SkinForm.cpp
    skin/form/SkinFrame.cpp
    skin/form/SkinButtons.cpp)
  target_include_directories(qd_skin_form PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_skin_form PUBLIC qd_skin_data qd_skin_draw qd_framework comctl32 gdi32 user32)
endif()

if(WIN32 AND TARGET qd_skin_package)
  qd_test(skin_form_tests
    SOURCES
      tests/support/MessageRecorder.cpp
      tests/skin/form/SkinFormTest.cpp
      tests/skin/form/SkinFrameTest.cpp
      tests/skin/form/SkinButtonsTest.cpp
      tests/skin/form/SkinFrameInputTest.cpp
    LIBS qd_skin_form)
  if(TARGET skin_form_tests)
    add_dependencies(skin_form_tests qd_skin_package)
    target_compile_definitions(skin_form_tests PRIVATE QD_SKIN_PACKAGE_FILE="Z:${CMAKE_BINARY_DIR}/resources/xpluna.skn")
  endif()
endif()

if(WIN32 AND NOT QD_FUZZ AND TARGET qd_skin_package)
  add_executable(skin_frame_bench bench/SkinFrameBench.cpp)
  target_link_libraries(skin_frame_bench PRIVATE qd_skin_form)
  add_dependencies(skin_frame_bench qd_skin_package)
  target_compile_definitions(skin_frame_bench PRIVATE QD_SKIN_PACKAGE_FILE="Z:${CMAKE_BINARY_DIR}/resources/xpluna.skn")
endif()
