# Turns a file into a C++ source that returns its bytes, so the program
# carries its page and needs no file beside it. Run with
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DFUNCTION=web::IndexPage -P Embed.cmake
# The bytes go in as numbers, which no character of the page can break.
file(READ "${INPUT}" _hex HEX)
string(LENGTH "${_hex}" _length)
math(EXPR _bytes "${_length} / 2")
# Sixteen bytes a line keeps the generated file readable.
set(_lines "")
set(_at 0)
while(_at LESS _length)
    string(SUBSTRING "${_hex}" ${_at} 32 _line)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _line "${_line}")
    string(APPEND _lines "    ${_line}\n")
    math(EXPR _at "${_at} + 32")
endwhile()
string(REGEX REPLACE "::[^:]*$" "" _namespace "${FUNCTION}")
string(REGEX REPLACE "^.*::" "" _name "${FUNCTION}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by Embed.cmake; edit that file instead.
#include <string_view>

namespace ${_namespace} {

namespace {
constexpr unsigned char kBytes[] = {
${_lines}    0};
} // namespace

std::string_view ${_name}() { return {reinterpret_cast<const char*>(kBytes), ${_bytes}}; }

} // namespace ${_namespace}
")
# Rewritten only when it changed, so an unchanged page compiles nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
