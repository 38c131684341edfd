# The settings-file parser and editor.
relvo_add_fuzz(ini_fuzz ${CMAKE_CURRENT_LIST_DIR}/ini_fuzz.cpp relvo_platform)
