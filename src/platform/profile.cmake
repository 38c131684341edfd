# relvo_profile: the settings-file (INI) layer, the same code on every platform.
add_library(relvo_profile STATIC ${CMAKE_CURRENT_LIST_DIR}/profile.cpp)
target_link_libraries(relvo_profile PUBLIC relvo_platform relvo_base relvo_options)
