# The portable floor: the exception base, memory streams and string lists, shared by every library.
qd_portable_library(qd_classes framework/Classes.cpp)
target_link_libraries(qd_classes PUBLIC qd_core)
add_library(qd_core INTERFACE)
target_include_directories(qd_core INTERFACE ${CMAKE_SOURCE_DIR})
