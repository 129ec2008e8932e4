# Skin objects and the skin data component (Windows), the manager interface they talk to, their tests under
# Wine, the skin load benchmark, and the main form's description with the packed skin stored in it.
if(WIN32)
  add_library(qd_skin_data STATIC
    skin/data/SkinObjects.cpp
    skin/data/SkinData.cpp
    skin/data/SkinManagerIntf.cpp)
  target_include_directories(qd_skin_data PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_skin_data PUBLIC
    qd_skin_codec qd_skin_portable_ini qd_skin_draw qd_framework comctl32 gdi32 user32)
endif()

if(WIN32 AND TARGET qd_skinpack_lib)
  enable_language(RC)
  qd_test(skin_data_tests
    SOURCES tests/skin/data/SkinObjectsTest.cpp tests/skin/data/SkinDataTest.cpp tests/skin/data/SkinDataTest.rc
    LIBS qd_skin_data qd_skinpack_lib)
  if(TARGET skin_data_tests AND TARGET qd_skin_package)
    # The tests read our packed skin from the build folder (through Wine's Z: drive).
    add_dependencies(skin_data_tests qd_skin_package)
    target_compile_definitions(skin_data_tests PRIVATE QD_SKIN_PACKAGE_FILE="Z:${CMAKE_BINARY_DIR}/resources/xpluna.skn")
  endif()
endif()
