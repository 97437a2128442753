# Every target of the project builds with the same warning set; a warning is a
# defect to fix, not to silence.
add_library(zelnor2_warnings INTERFACE)
target_compile_options(zelnor2_warnings INTERFACE -Wall -Wextra)

function(zelnor2_target name)
    target_link_libraries(${name} PRIVATE zelnor2_warnings)
endfunction()

# A program that the build, tests or benchmarks run, with the same warnings;
# it stays out of bin/, which holds what a user runs.
function(zelnor2_helper_program name)
    add_executable(${name} ${ARGN})
    zelnor2_target(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
