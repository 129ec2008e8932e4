# GDI handle owners with live counts (Windows only).
if(WIN32)
  add_library(qd_gdi STATIC framework/Gdi.cpp)
  target_include_directories(qd_gdi PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_gdi PUBLIC qd_core gdi32 user32)
endif()
