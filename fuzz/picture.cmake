relvo_add_fuzz(bmp_fuzz ${CMAKE_CURRENT_LIST_DIR}/bmp_fuzz.cpp relvo_picture relvo_fw)
