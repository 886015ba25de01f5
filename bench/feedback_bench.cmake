add_executable(feedback_bench ${CMAKE_CURRENT_SOURCE_DIR}/feedback_bench.cpp)
target_include_directories(feedback_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(feedback_bench PRIVATE vornell_printing vornell_db benchmark::benchmark Qt6::Gui)
