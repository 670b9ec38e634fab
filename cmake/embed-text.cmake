# Run with cmake -P: writes OUTPUT, a C++ file that defines the string constants NAMES (a
# ;-list) with the bytes of the files INPUTS (a ;-list in the same order), byte for byte, except
# that for the inputs whose entry in COMMENTLESS (a ;-list of 0 and 1) is 1 every line whose first
# non-blank character is # is left out (and the line ends before the first line left), but for the
# lines that begin with "#@ part ", which mark the parts --init chooses from: a shell then reads
# and parses half the bytes when it loads the text. Every byte is written as a hexadecimal escape, so no file content
# can end the literal.
set(text "// Generated from the shell integration files; do not edit.\n")
string(APPEND text "#include \"core/shell_scripts.h\"\n\nnamespace dirhop {\n\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET INPUTS ${i} input)
  list(GET COMMENTLESS ${i} commentless)
  if(commentless)
    file(READ "${input}" content)
    # The part markers ("#@ part NAME", never a file's first line) are kept through the strip.
    string(REPLACE "\n#@ part " "\n@@part@@ " content "${content}")
    string(REGEX REPLACE "(^|\n)[ \t]*#[^\n]*" "" content "${content}")
    string(REPLACE "\n@@part@@ " "\n#@ part " content "${content}")
    string(REGEX REPLACE "^\n+" "" content "${content}")
    set(input "${OUTPUT}.${i}.txt")
    file(WRITE "${input}" "${content}")
  endif()
  file(READ "${input}" hex HEX)
  if(commentless)
    file(REMOVE "${input}")
  endif()
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
