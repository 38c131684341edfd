# The registry file reader (regedit exports, Wine hives).
relvo_add_fuzz(registry_fuzz ${CMAKE_CURRENT_LIST_DIR}/registry_fuzz.cpp relvo_platform)
