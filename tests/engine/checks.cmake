# The product folder checks and identification, and the media check's
# read-only run of them (its source is built in here as well).
relvo_add_test(product_checks_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/product_checks_test.cpp ${CMAKE_SOURCE_DIR}/src/app/product_report.cpp
  LIBS relvo_checks)
