# Writes a C++ file holding INPUT's bytes and registering them as resource
# NAME of type TYPE at program start.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}
"#include <cstdint>\n#include \"storage/embedded_resources.h\"\n"
"namespace {\nconst uint8_t kBytes[] = {${bytes} 0};\n"
"const bool kRegistered = vesk::storage::RegisterEmbeddedResource(\"${NAME}\", \"${TYPE}\", kBytes, ${size});\n}\n")
