# relvo_engine: the update run and the voice data install.
add_library(relvo_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/update_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/voice_data.cpp)
target_link_libraries(relvo_engine PUBLIC relvo_checks relvo_master relvo_profile relvo_platform relvo_base relvo_options)
