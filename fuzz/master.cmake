# Material master files: the record rules and text-mode rewrite over any bytes.
relvo_add_fuzz(master_fuzz ${CMAKE_CURRENT_LIST_DIR}/master_fuzz.cpp relvo_master)
