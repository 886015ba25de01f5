add_executable(db_bench ${CMAKE_CURRENT_SOURCE_DIR}/db_bench.cpp)
target_include_directories(db_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(db_bench PRIVATE vornell_forms vornell_db benchmark::benchmark Qt6::Test)
