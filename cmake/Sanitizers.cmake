# A fuzz build runs everything under the address and undefined-behaviour
# sanitizers unless others are chosen, and gives every library the coverage
# instrumentation that guides the fuzzer.
set(_zelnor2_sanitize "${ZELNOR2_SANITIZE}")
if(ZELNOR2_WITH_FUZZ AND NOT _zelnor2_sanitize)
    set(_zelnor2_sanitize address,undefined)
endif()
if(_zelnor2_sanitize)
    set(_zelnor2_san_flags -fsanitize=${_zelnor2_sanitize} -fno-omit-frame-pointer -g)
    if(_zelnor2_sanitize MATCHES "undefined")
        list(APPEND _zelnor2_san_flags -fno-sanitize-recover=undefined)
    endif()
    add_compile_options(${_zelnor2_san_flags})
    add_link_options(-fsanitize=${_zelnor2_sanitize})
    # A sanitizer build is for its reports: -O1 keeps them exact and fast
    # enough, and line tables are all a report's stack needs; both compile
    # far quicker than the release flags they come after.
    if(ZELNOR2_SANITIZE AND NOT ZELNOR2_WITH_FUZZ)
        add_compile_options(-O1 -g1)
    endif()
endif()
if(ZELNOR2_WITH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
