# Opening a 10,000-URL e-script with the default trace against the same open with the trace
# off (see README.md).
add_executable(bench_trace ${CMAKE_CURRENT_LIST_DIR}/bench_trace.cpp)
target_link_libraries(bench_trace PRIVATE xal_views xal_store xal_trace benchmark::benchmark
  Qt6::Widgets)
