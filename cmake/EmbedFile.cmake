# cmake -DINPUT=FILE -DOUTPUT=FILE.cpp -DNAMESPACE=ns -DNAME=kName -P EmbedFile.cmake
# Writes a source file that holds the input file's bytes as `const char NAME[]` (with a
# closing NUL not counted) and `const std::size_t NAMESize`, so that a program carries a file
# it serves without reading it at run time.
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n    " bytes "${bytes}")
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
file(WRITE "${OUTPUT}.new" "// Made by the build from ${INPUT}.
#include <cstddef>

namespace ${NAMESPACE} {
extern const char ${NAME}[];
extern const std::size_t ${NAME}Size;
const char ${NAME}[] = {
    ${bytes}'\\0'};
const std::size_t ${NAME}Size = ${size};
}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
