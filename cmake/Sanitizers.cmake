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
endif()
if(ZELNOR2_WITH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
