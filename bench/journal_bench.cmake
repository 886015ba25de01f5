add_executable(journal_bench ${CMAKE_CURRENT_SOURCE_DIR}/journal_bench.cpp)
target_include_directories(journal_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(journal_bench PRIVATE vornell_printing vornell_db benchmark::benchmark Qt6::Gui)
