# The application shell: program entry, main window and confirmation box, their stored descriptions and the
# program's resources; the application tests and the confirmation box benchmark (Windows only).
if(WIN32)
  # The stored descriptions with their glyph strips expanded from resources/bitmaps at build time.
  set(QD_APP_RES_DIR ${CMAKE_BINARY_DIR}/app-resources)
  set(QD_APP_FORMS "")
  foreach(form Form_Main Form_MessageBox)
    add_custom_command(
      OUTPUT ${QD_APP_RES_DIR}/${form}.dfm
      COMMAND ${CMAKE_COMMAND} -DFORM_IN=${CMAKE_SOURCE_DIR}/resources/${form}.dfm -DFORM_OUT=${QD_APP_RES_DIR}/${form}.dfm
              -DRESOURCES=${CMAKE_SOURCE_DIR}/resources -P ${CMAKE_SOURCE_DIR}/app/ExpandFormText.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/resources/${form}.dfm ${CMAKE_SOURCE_DIR}/app/ExpandFormText.cmake
              ${CMAKE_SOURCE_DIR}/resources/bitmaps/ok_glyph.bmp ${CMAKE_SOURCE_DIR}/resources/bitmaps/cancel_glyph.bmp
      COMMENT "Expanding the stored description ${form}"
      VERBATIM)
    list(APPEND QD_APP_FORMS ${QD_APP_RES_DIR}/${form}.dfm)
  endforeach()
  add_custom_target(qd_app_forms DEPENDS ${QD_APP_FORMS})

  # Icon, menu glyphs, stored descriptions and manifest: linked into the program and into the tests.
  add_library(qd_app_resources OBJECT app/QuandrelDemo.rc)
  target_include_directories(qd_app_resources PRIVATE ${QD_APP_RES_DIR} ${CMAKE_SOURCE_DIR}/resources/bitmaps
                             ${CMAKE_SOURCE_DIR}/app)
  set_source_files_properties(app/QuandrelDemo.rc PROPERTIES OBJECT_DEPENDS
    "${QD_APP_FORMS};${CMAKE_SOURCE_DIR}/resources/bitmaps/QuandrelDemo.ico;${CMAKE_SOURCE_DIR}/resources/bitmaps/veneermenu.bmp;${CMAKE_SOURCE_DIR}/app/QuandrelDemo.manifest")
  add_dependencies(qd_app_resources qd_app_forms)

  # The shell's units, for the program, the tests and the benchmark.
  add_library(qd_app STATIC app/Main_Frm.cpp app/Unit_MessageBox.cpp)
  target_include_directories(qd_app PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(qd_app PUBLIC qd_browser qd_widgets qd_skin_controls qd_framework)
  # The main form registers the classes its description names (browser host, skin data) before reading it.
  target_link_libraries(qd_app PUBLIC qd_skin_data)

  add_executable(QuandrelDemo WIN32 app/QuandrelDemo.cpp $<TARGET_OBJECTS:qd_app_resources>)
  target_link_libraries(QuandrelDemo PRIVATE qd_app)
  target_link_options(QuandrelDemo PRIVATE -municode)
  set_target_properties(QuandrelDemo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)

  qd_test(app_tests
    SOURCES
      tests/app/AppTestSupport.cpp
      tests/app/MainFormTest.cpp
      tests/app/MessageBoxTest.cpp
      tests/app/ProgramTest.cpp
      tests/app/ResourcesTest.cpp
      $<TARGET_OBJECTS:qd_app_resources>
    LIBS qd_app psapi)
  if(TARGET app_tests)
    # The end-to-end test starts the program from app/ beside the test program.
    add_dependencies(app_tests QuandrelDemo)
    # The resource tests compare the embedded glyphs with the bitmap files (through Wine's Z: drive).
    target_compile_definitions(app_tests PRIVATE QD_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")
  endif()

  if(NOT QD_FUZZ)
    add_executable(messagebox_bench bench/MessageBoxBench.cpp tests/app/AppTestSupport.cpp
                   $<TARGET_OBJECTS:qd_app_resources>)
    target_include_directories(messagebox_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(messagebox_bench PRIVATE qd_app psapi)
  endif()
endif()
