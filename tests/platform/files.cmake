# The file layer's tests: one program, the same suite on both backends.
set(platform_files_sources files_test.cpp encoding_test.cpp system_test.cpp)
if(NOT WIN32)
  list(APPEND platform_files_sources path_map_test.cpp)
endif()
relvo_add_test(platform_files_tests SOURCES ${platform_files_sources} LIBS relvo_platform)
