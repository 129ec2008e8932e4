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
