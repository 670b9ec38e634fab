# The addresses the program hands to the mail client and the web browser, and names in its crash
# report. Set them when configuring a release, e.g.
#   cmake -DDIRHOP_SUPPORT_EMAIL=help@example.org -DDIRHOP_HOME_PAGE=https://example.org/dirhop ...
# The program reads them from the generated header core/build_info.h (src/core/build_info.h.in).
set(DIRHOP_SUPPORT_EMAIL "support@dirhop.example" CACHE STRING
    "Support e-mail address (-mail, crash report)")
set(DIRHOP_HOME_PAGE "https://dirhop.example/" CACHE STRING "Product home page (-home)")
set(DIRHOP_MAKER_SITE "https://brantel.example/" CACHE STRING "Maker's web site (-brantel)")

# Sets `out` to TRUE when `address` (an e-mail or web address) is empty or one of the example
# addresses above (a host ending in .example, or example.com, .org or .net): no package carries
# one. (scripts/release refuses the test names .test, .invalid and .localhost as well.)
function(dirhop_is_example_address address out)
  string(TOLOWER "${address}" a)
  # The host: after "scheme://" or "user@", up to the port, path, query or end.
  string(REGEX REPLACE "^[a-z][a-z0-9+.-]*://" "" a "${a}")
  string(REGEX REPLACE "^[^/]*@" "" a "${a}")
  string(REGEX REPLACE "[:/?#].*$" "" a "${a}")
  string(REGEX REPLACE "\\.$" "" a "${a}")
  if(a STREQUAL "" OR a MATCHES "(^|\\.)example(\\.(com|org|net))?$")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()
