# The material master conversion against a plain copy of the same folder.
add_executable(master_bench ${CMAKE_CURRENT_LIST_DIR}/master_bench.cpp)
target_link_libraries(master_bench PRIVATE relvo_master relvo_options)
