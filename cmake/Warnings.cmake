# Every target of the project builds with the same warning set; a warning is a
# defect to fix, not to silence.
add_library(zelnor2_warnings INTERFACE)
target_compile_options(zelnor2_warnings INTERFACE -Wall -Wextra)

function(zelnor2_target name)
    target_link_libraries(${name} PRIVATE zelnor2_warnings)
endfunction()
