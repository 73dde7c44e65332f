# Writes a C++ source file that holds the bytes of a file, so that the
# program carries its own artwork.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DHEADER=<header to include>
#         -DFUNCTION=<qualified function name> -P embed_file.cmake
# The function is declared in HEADER as
#   std::span<const std::uint8_t> FUNCTION();
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the generated file readable in a debugger.
string(REPEAT "0x..," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n    " bytes "${bytes}")
string(REGEX REPLACE "::[^:]*$" "" namespace "${FUNCTION}")
string(REGEX REPLACE "^.*::" "" name "${FUNCTION}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by cmake/embed_file.cmake; do not edit.
#include \"${HEADER}\"

namespace ${namespace} {

namespace {
const std::uint8_t kBytes[${byte_count}] = {
    ${bytes}
};
}  // namespace

std::span<const std::uint8_t> ${name}()
{
    return kBytes;
}

}  // namespace ${namespace}
")
# Only a changed file is replaced, so an unchanged picture rebuilds nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
