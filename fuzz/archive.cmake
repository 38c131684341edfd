# LZH: one target for the archive reader (headers and every member's data)
# and one per decoder (raw packed data of that method).
relvo_add_fuzz(lzh_reader_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_reader_fuzz.cpp relvo_archive)
foreach(method lh0 lh1 lh2 lh3 lh4 lh5 lh6 lh7 lzs lz5)
  relvo_add_fuzz(lzh_${method}_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_decoder_fuzz.cpp relvo_archive)
  target_compile_definitions(lzh_${method}_fuzz PRIVATE RELVO_LZH_METHOD="-${method}-")
endforeach()
