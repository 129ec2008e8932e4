# The skin's artwork is generated; its checks run natively: the generator's own tests, and that the
# committed bitmaps and description are what the generator draws today.
if(BUILD_TESTING AND NOT WIN32 AND NOT QD_FUZZ)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_FOUND)
    add_test(NAME skin_art_tests COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/skin/test_skin.py)
    add_test(NAME skin_art_up_to_date COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/skin/generate.py --check)
    add_test(NAME bitmaps_up_to_date COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/bitmaps/generate.py --check)
  endif()
endif()
