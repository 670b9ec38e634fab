# The addresses the program hands to the mail client and the web browser, and names in its crash
# report. Set them when configuring a release, e.g.
#   cmake -DDIRHOP_SUPPORT_EMAIL=help@example.org -DDIRHOP_HOME_PAGE=https://example.org/dirhop ...
# The program reads them from the generated header core/build_info.h (src/core/build_info.h.in).
set(DIRHOP_SUPPORT_EMAIL "support@dirhop.example" CACHE STRING
    "Support e-mail address (-mail, crash report)")
set(DIRHOP_HOME_PAGE "https://dirhop.example/" CACHE STRING "Product home page (-home)")
set(DIRHOP_MAKER_SITE "https://brantel.example/" CACHE STRING "Maker's web site (-brantel)")
