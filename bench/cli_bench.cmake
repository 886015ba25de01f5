add_executable(cli_bench ${CMAKE_CURRENT_SOURCE_DIR}/cli_bench.cpp)
target_link_libraries(cli_bench PRIVATE benchmark::benchmark)
target_compile_definitions(cli_bench PRIVATE VORNELL="$<TARGET_FILE:vornell>")
add_dependencies(cli_bench vornell)
