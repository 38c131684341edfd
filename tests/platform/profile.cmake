# The settings-file layer: the compatibility table and the file-level cases.
relvo_add_test(profile_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_test.cpp LIBS relvo_profile)
if(WIN32)
  # The Windows side of the table runs on the Japanese code page, as the
  # product does; Wine takes it from the locale.
  set_property(TEST profile_test APPEND PROPERTY ENVIRONMENT "LC_ALL=ja_JP.UTF-8")
endif()
