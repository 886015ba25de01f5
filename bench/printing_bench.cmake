add_executable(printing_bench ${CMAKE_CURRENT_SOURCE_DIR}/printing_bench.cpp)
target_include_directories(printing_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(printing_bench PRIVATE vornell_printing vornell_db benchmark::benchmark Qt6::Gui)
