add_executable(stations_bench ${CMAKE_CURRENT_SOURCE_DIR}/stations_bench.cpp)
target_include_directories(stations_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(stations_bench PRIVATE vornell_db benchmark::benchmark Qt6::Gui Qt6::Network
                      Qt6::Test)
target_compile_definitions(stations_bench PRIVATE
    VORNELL="$<TARGET_FILE:vornell>"
    VORNELL_VIRTUAL_PRINTER="$<TARGET_FILE:vornell-virtual-printer>"
    LABEL_WRITER="$<TARGET_FILE:label_writer>"
    VORNELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(stations_bench vornell vornell-virtual-printer label_writer)
