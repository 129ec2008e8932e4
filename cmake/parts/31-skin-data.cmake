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

if(WIN32 AND NOT QD_FUZZ)
  add_executable(skin_load_bench bench/SkinLoadBench.cpp)
  target_link_libraries(skin_load_bench PRIVATE qd_skin_data)
endif()

# The main form's stored description with our packed skin stored in SkinData_Main as "SkinStream":
# ${CMAKE_BINARY_DIR}/resources/Form_Main.dfm, which the program's resource script embeds.
if(WIN32 AND TARGET qd_skin_package AND EXISTS ${CMAKE_SOURCE_DIR}/resources/Form_Main.dfm)
  set(QD_FORM_MAIN_SKINNED ${CMAKE_BINARY_DIR}/resources/Form_Main.dfm)
  add_custom_command(OUTPUT ${QD_FORM_MAIN_SKINNED}
    COMMAND ${CMAKE_COMMAND} -DFORM_IN=${CMAKE_SOURCE_DIR}/resources/Form_Main.dfm -DFORM_OUT=${QD_FORM_MAIN_SKINNED}
            -DPACKAGE=${CMAKE_BINARY_DIR}/resources/xpluna.skn -P ${CMAKE_SOURCE_DIR}/cmake/EmbedSkinStream.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/Form_Main.dfm ${CMAKE_SOURCE_DIR}/cmake/EmbedSkinStream.cmake
            ${CMAKE_BINARY_DIR}/resources/xpluna.skn qd_skin_package
    COMMENT "Storing the packed skin in the main form's description"
    VERBATIM)
  add_custom_target(qd_form_main_skinned DEPENDS ${QD_FORM_MAIN_SKINNED})
  if(TARGET skin_data_tests)
    add_dependencies(skin_data_tests qd_form_main_skinned)
    target_compile_definitions(skin_data_tests PRIVATE QD_FORM_MAIN_FILE="Z:${QD_FORM_MAIN_SKINNED}")
  endif()

  # The program's resources are declared by a later fragment: once they exist, their resource script finds
  # "resources/Form_Main.dfm" in the build folder.
  function(_qd_skin_data_wire_app)
    if(TARGET qd_app_resources)
      target_include_directories(qd_app_resources BEFORE PRIVATE ${CMAKE_BINARY_DIR})
      add_dependencies(qd_app_resources qd_form_main_skinned)
      set_property(SOURCE ${CMAKE_SOURCE_DIR}/app/QuandrelDemo.rc APPEND PROPERTY OBJECT_DEPENDS
                   ${QD_FORM_MAIN_SKINNED})
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _qd_skin_data_wire_app)
endif()
