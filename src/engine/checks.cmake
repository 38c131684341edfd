# relvo_checks: the product folder check and the product identification.
add_library(relvo_checks STATIC ${CMAKE_CURRENT_LIST_DIR}/product_checks.cpp)
target_link_libraries(relvo_checks PUBLIC relvo_profile relvo_platform relvo_base relvo_options)
