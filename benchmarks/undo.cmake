# Undo history: editing operations on a large e-script with their step capture, undo, redo and
# the memory of the history (see README.md).
add_executable(bench_undo ${CMAKE_CURRENT_LIST_DIR}/bench_undo.cpp)
target_link_libraries(bench_undo PRIVATE xal_views benchmark::benchmark)
