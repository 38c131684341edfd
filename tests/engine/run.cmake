# The update run's tests also cover the console's side of it: the dry run
# and the console message boxes, built in from src/app.
relvo_add_test(engine_run_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_run_test.cpp
          ${CMAKE_SOURCE_DIR}/src/app/update_plan.cpp
          ${CMAKE_SOURCE_DIR}/src/app/console_ui.cpp
  LIBS relvo_engine relvo_archive)
