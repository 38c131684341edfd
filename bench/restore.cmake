# An update of a generated product with and without a restore point.
add_executable(restore_bench ${CMAKE_CURRENT_LIST_DIR}/restore_bench.cpp)
target_link_libraries(restore_bench PRIVATE relvo_engine relvo_options)
