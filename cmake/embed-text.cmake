# Run with cmake -P: writes OUTPUT, a C++ file that defines the string constants NAMES (a
# ;-list) with the bytes of the files INPUTS (a ;-list in the same order), byte for byte.
# Every byte is written as a hexadecimal escape, so no file content can end the literal.
set(text "// Generated from the shell integration files; do not edit.\n")
string(APPEND text "#include \"core/shell_scripts.h\"\n\nnamespace dirhop {\n\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET INPUTS ${i} input)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  # Short lines: a literal split every 32 bytes (128 characters of escapes).
  string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){32})" "\\1\"\n    \"" escaped "${escaped}")
  string(APPEND text "const std::string_view ${name}{\n    \"${escaped}\", ${size}};\n\n")
endforeach()
string(APPEND text "}  // namespace dirhop\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
