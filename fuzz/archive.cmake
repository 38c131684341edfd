# LZH: one target for the archive reader (headers and every member's data)
# and one per decoder (raw packed data of that method).
relvo_add_fuzz(lzh_reader_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_reader_fuzz.cpp relvo_archive)
foreach(method lh0 lh1 lh2 lh3 lh4 lh5 lh6 lh7 lhx lzs lz5 pm1 pm2)
  relvo_add_fuzz(lzh_${method}_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_decoder_fuzz.cpp relvo_archive)
  target_compile_definitions(lzh_${method}_fuzz PRIVATE RELVO_LZH_METHOD="-${method}-")
endforeach()
# The second codings of shared ids: LHARK's -lh7- (level 1, OS type 0x20)
# and jLHA's -lh2-.
relvo_add_fuzz(lzh_lhark_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_decoder_fuzz.cpp relvo_archive)
target_compile_definitions(lzh_lhark_fuzz PRIVATE RELVO_LZH_METHOD="-lh7-" RELVO_LZH_LEVEL=1 RELVO_LZH_OS=0x20)
relvo_add_fuzz(lzh_lh2jlha_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_decoder_fuzz.cpp relvo_archive)
target_compile_definitions(lzh_lh2jlha_fuzz PRIVATE RELVO_LZH_METHOD="-lh2-" RELVO_LZH_OTHER=1)
# The writer: encoder and archive round trips of any input.
relvo_add_fuzz(lzh_writer_fuzz ${CMAKE_CURRENT_LIST_DIR}/lzh_writer_fuzz.cpp relvo_archive)
