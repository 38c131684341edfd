relvo_add_test(engine_run_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_run_test.cpp
  LIBS relvo_engine)
