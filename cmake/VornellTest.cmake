# vornell_add_test(NAME SOURCES file... LIBS lib...)
# One Qt Test executable, run by CTest offscreen with its own working directory.
# In a sanitizer build a leak fails the test like any other error.
function(vornell_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set(workdir ${CMAKE_CURRENT_BINARY_DIR}/${name}.work)
    file(MAKE_DIRECTORY ${workdir})
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${workdir})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORNELL_SOURCE_DIR=${PROJECT_SOURCE_DIR};ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
        TIMEOUT 300)
endfunction()
