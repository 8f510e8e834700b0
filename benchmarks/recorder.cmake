# The recorder's proxy against direct requests to the same local server (see README.md).
add_executable(bench_recorder ${CMAKE_CURRENT_LIST_DIR}/bench_recorder.cpp)
target_link_libraries(bench_recorder PRIVATE xal_recorder xal_test_origin benchmark::benchmark
  OpenSSL::SSL OpenSSL::Crypto Qt6::Core)
