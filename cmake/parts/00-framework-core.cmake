# The portable floor: the exception base (header only) shared by every library.
add_library(qd_core INTERFACE)
target_include_directories(qd_core INTERFACE ${CMAKE_SOURCE_DIR})
