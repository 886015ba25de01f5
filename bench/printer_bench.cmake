add_executable(printer_bench ${CMAKE_CURRENT_SOURCE_DIR}/printer_bench.cpp)
target_include_directories(printer_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(printer_bench PRIVATE vornell_printer benchmark::benchmark Qt6::Gui)
