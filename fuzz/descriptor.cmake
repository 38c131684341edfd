relvo_add_fuzz(descriptor_fuzz ${CMAKE_CURRENT_LIST_DIR}/descriptor_fuzz.cpp relvo_engine)
