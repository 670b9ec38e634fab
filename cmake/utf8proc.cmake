# utf8proc (Unicode case folding, normalisation, character widths) as the target `utf8proc`.
# The native build links Debian's libutf8proc-dev statically, so the program stays one file. The
# Windows build (and any build given DIRHOP_UTF8PROC_SOURCE_DIR) compiles it from the sources of
# Debian's utf8proc source package, which scripts/install-deps unpacks to /usr/local/src/utf8proc:
# both builds then carry the same release and the same Unicode tables.
set(DIRHOP_UTF8PROC_SOURCE_DIR "" CACHE PATH "utf8proc sources to compile (empty: the system's library)")
if(WIN32 AND NOT DIRHOP_UTF8PROC_SOURCE_DIR)
  set(DIRHOP_UTF8PROC_SOURCE_DIR /usr/local/src/utf8proc)
endif()

if(DIRHOP_UTF8PROC_SOURCE_DIR)
  if(NOT EXISTS ${DIRHOP_UTF8PROC_SOURCE_DIR}/utf8proc.c)
    message(FATAL_ERROR "utf8proc sources not found in ${DIRHOP_UTF8PROC_SOURCE_DIR} "
                        "(scripts/install-deps unpacks Debian's utf8proc source package there)")
  endif()
  enable_language(C)
  add_library(utf8proc STATIC ${DIRHOP_UTF8PROC_SOURCE_DIR}/utf8proc.c)
  target_compile_definitions(utf8proc PUBLIC UTF8PROC_STATIC)
  target_include_directories(utf8proc SYSTEM PUBLIC ${DIRHOP_UTF8PROC_SOURCE_DIR})
  target_compile_options(utf8proc PRIVATE -w)
else()
  find_path(DIRHOP_UTF8PROC_INCLUDE_DIR utf8proc.h)
  find_library(DIRHOP_UTF8PROC_LIBRARY NAMES libutf8proc.a utf8proc)
  if(NOT DIRHOP_UTF8PROC_INCLUDE_DIR OR NOT DIRHOP_UTF8PROC_LIBRARY)
    message(FATAL_ERROR "utf8proc not found (Debian: apt-get install libutf8proc-dev)")
  endif()
  add_library(utf8proc STATIC IMPORTED)
  set_target_properties(utf8proc PROPERTIES IMPORTED_LOCATION ${DIRHOP_UTF8PROC_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${DIRHOP_UTF8PROC_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS UTF8PROC_STATIC)
endif()
