# The addresses the program hands to the mail client and the web browser, and names in its crash
# report. Set them when configuring a release, e.g.
#   cmake -DDIRHOP_SUPPORT_EMAIL=help@example.org -DDIRHOP_HOME_PAGE=https://example.org/dirhop ...
# Include this file after the dirhop_core target is defined.
set(DIRHOP_SUPPORT_EMAIL "support@dirhop.example" CACHE STRING
    "Support e-mail address (-mail, crash report)")
set(DIRHOP_HOME_PAGE "https://dirhop.example/" CACHE STRING "Product home page (-home)")
set(DIRHOP_MAKER_SITE "https://brantel.example/" CACHE STRING "Maker's web site (-brantel)")

set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/core/launcher.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS
    "DIRHOP_SUPPORT_EMAIL=\"${DIRHOP_SUPPORT_EMAIL}\""
    "DIRHOP_HOME_PAGE=\"${DIRHOP_HOME_PAGE}\""
    "DIRHOP_MAKER_SITE=\"${DIRHOP_MAKER_SITE}\"")
