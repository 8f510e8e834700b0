# SetScript/GetScriptList of the tab view and the first paint of its widgets (see README.md).
add_executable(bench_views ${CMAKE_CURRENT_LIST_DIR}/bench_views.cpp)
target_link_libraries(bench_views PRIVATE xal_views benchmark::benchmark Qt6::Widgets)
