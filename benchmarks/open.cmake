# The whole open of the editor as a process against a bare Qt program (see README.md).
add_executable(bench_open_baseline ${CMAKE_CURRENT_LIST_DIR}/bench_open_baseline.cpp)
target_link_libraries(bench_open_baseline PRIVATE Qt6::Widgets)
add_executable(bench_open ${CMAKE_CURRENT_LIST_DIR}/bench_open.cpp)
target_link_libraries(bench_open PRIVATE xal_views xal_store Qt6::Widgets)
target_compile_definitions(bench_open PRIVATE
  XALSCRIPEDIT_PATH="$<TARGET_FILE:XALScripEdit>"
  XALDB_PATH="$<TARGET_FILE:xaldb>"
  BASELINE_PATH="$<TARGET_FILE:bench_open_baseline>"
  DEMO_ESCRIPTS="${PROJECT_SOURCE_DIR}/samples/demo-escripts.json")
add_dependencies(bench_open XALScripEdit xaldb bench_open_baseline)
