# The LZH decoder benchmark: bench/lzh_bench.sh builds the archives with
# jLHA and times this program against lhasa and bsdtar.
add_executable(lzh_bench ${CMAKE_CURRENT_LIST_DIR}/lzh_bench.cpp)
target_link_libraries(lzh_bench PRIVATE relvo_archive relvo_options)
