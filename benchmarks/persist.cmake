# LoadScript/SaveScript against raw libbson, SQLite and libmongoc (see README.md).
add_executable(bench_persist ${CMAKE_CURRENT_LIST_DIR}/bench_persist.cpp)
target_link_libraries(bench_persist PRIVATE xal_store benchmark::benchmark
  PkgConfig::MONGOC PkgConfig::BSON PkgConfig::SQLITE3 Qt6::Core)
