# Spreading and resetting flexible parameters over a large e-script (see README.md).
add_executable(bench_flexible ${CMAKE_CURRENT_LIST_DIR}/bench_flexible.cpp)
target_link_libraries(bench_flexible PRIVATE xal_views benchmark::benchmark)
