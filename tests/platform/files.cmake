# The platform layer's tests: one program, the same suite on both backends
# (and each backend's own cases).
set(platform_files_sources files_test.cpp encoding_test.cpp system_test.cpp current_folders_test.cpp
    registry_file_test.cpp)
if(WIN32)
  list(APPEND platform_files_sources registry_win32_test.cpp)
else()
  list(APPEND platform_files_sources path_map_test.cpp registry_posix_test.cpp)
endif()
relvo_add_test(platform_files_tests SOURCES ${platform_files_sources} LIBS relvo_platform)
