# The manual, the install rules, the uninstall target and the packages.
#
# Include once from the top-level CMakeLists.txt, anywhere after project(). The rules are added
# when the top-level directory has been read (a deferred call), because they need the dirhop
# target; so the include may also come through -DCMAKE_PROJECT_INCLUDE=.../install.cmake.
#
# Manual: docs/manual.html is the one source. The build puts the form that `dirhop -manual`
# opens beside the program: dirhop.chm (compiled with chmcmd from Debian's fp-utils) next to
# dirhop.exe, dirhop.html next to the POSIX dirhop. docs/html2man.py makes the man page.
#
# Install layout:
#   Windows (and the CPack zip, whose files sit at its top level): one folder with dirhop.exe,
#     c.bat, dirhop.ps1, dirhop.chm, README.md and LICENSE; c.bat and dirhop.ps1 find dirhop.exe
#     beside them, -manual finds dirhop.chm.
#   POSIX (and the Debian package, prefix /usr): bin/dirhop alone in bin/,
#     share/dirhop/dirhop.bash, dirhop.fish and dirhop.ps1, share/man/man1/dirhop.1 and c.1 (a
#     .so link to it), share/doc/dirhop/ with dirhop.html, README.md, LICENSE and copyright (the
#     licence in Debian's format). -manual finds share/doc/dirhop/dirhop.html from bin/ by the relative
#     path between the two, built into the program.
#
# `cmake --build <build> --target uninstall` removes what `cmake --install` put in place
# (cmake/uninstall.cmake reads install_manifest.txt).
include_guard(GLOBAL)

get_filename_component(DIRHOP_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

function(dirhop_add_manual_and_install_rules)
  include(GNUInstallDirs)
  set(source ${DIRHOP_SOURCE_DIR})
  set(docs ${CMAKE_BINARY_DIR}/docs)
  file(MAKE_DIRECTORY ${docs})

  # The HTML manual, with the version filled in.
  set(DIRHOP_VERSION ${PROJECT_VERSION})
  configure_file(${source}/docs/manual.html ${docs}/dirhop.html @ONLY)
  set(beside_program ${docs}/dirhop.html)

  find_program(DIRHOP_PYTHON3 NAMES python3)
  if(DIRHOP_PYTHON3 AND NOT WIN32)
    add_custom_command(
      OUTPUT ${docs}/dirhop.1
      COMMAND ${DIRHOP_PYTHON3} ${source}/docs/html2man.py ${docs}/dirhop.html ${docs}/dirhop.1
              ${PROJECT_VERSION}
      DEPENDS ${docs}/dirhop.html ${source}/docs/html2man.py
      COMMENT "Writing the man page dirhop.1"
      VERBATIM)
    set(man_page ${docs}/dirhop.1)
  elseif(NOT WIN32)
    message(STATUS "python3 not found: the man page dirhop.1 is not made")
  endif()

  if(WIN32)
    find_program(DIRHOP_CHMCMD NAMES chmcmd)
    if(DIRHOP_CHMCMD)
      # chmcmd compiles the files of the project in its own directory.
      set(chm_dir ${docs}/chm)
      add_custom_command(
        OUTPUT ${chm_dir}/dirhop.chm
        COMMAND ${CMAKE_COMMAND} -E make_directory ${chm_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${docs}/dirhop.html ${source}/docs/dirhop.hhp
                ${source}/docs/dirhop.hhc ${chm_dir}
        COMMAND ${CMAKE_COMMAND} -E chdir ${chm_dir} ${DIRHOP_CHMCMD} dirhop.hhp
        DEPENDS ${docs}/dirhop.html ${source}/docs/dirhop.hhp ${source}/docs/dirhop.hhc
        COMMENT "Compiling the manual dirhop.chm"
        VERBATIM)
      set(beside_program ${chm_dir}/dirhop.chm)
    else()
      message(STATUS "chmcmd not found (Debian: fp-utils): dirhop.chm is not built; "
                     "dirhop.html is put beside dirhop.exe instead")
    endif()
  endif()

  # Copied on every build, so -manual works from the build directory too.
  add_custom_target(dirhop_manual ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${beside_program} $<TARGET_FILE_DIR:dirhop>
    DEPENDS ${beside_program}
    VERBATIM)
  if(man_page)
    add_custom_command(
      OUTPUT ${docs}/dirhop.1.gz ${docs}/c.1.gz
      COMMAND gzip -9 -n -c ${docs}/dirhop.1 > ${docs}/dirhop.1.gz
      COMMAND gzip -9 -n -c ${docs}/c.1 > ${docs}/c.1.gz
      DEPENDS ${man_page}
      COMMENT "Compressing the man pages"
      VERBATIM)
    add_custom_target(dirhop_man_page ALL DEPENDS ${docs}/dirhop.1.gz ${docs}/c.1.gz)
  endif()
  # The packages name the authors with the support address only when it is not an example.
  set(authors "The Dirhop authors")
  dirhop_is_example_address("${DIRHOP_SUPPORT_EMAIL}" no_email)
  if(NOT no_email)
    string(APPEND authors " <${DIRHOP_SUPPORT_EMAIL}>")
  elseif(DIRHOP_PACKAGE_FORMAT STREQUAL "deb")
    # Debian's Maintainer field and changelog must name an address one can write to.
    message(FATAL_ERROR "The Debian package's Maintainer field needs an address that is not an "
                        "example: set DIRHOP_SUPPORT_EMAIL (now \"${DIRHOP_SUPPORT_EMAIL}\").")
  endif()
  if(NOT WIN32)
    # A native package's changelog: the version this build makes.
    string(CONCAT changelog
           "dirhop (${PROJECT_VERSION}) stable; urgency=medium\n\n"
           "  * Dirhop ${PROJECT_VERSION}.\n\n"
           " -- ${authors}  Wed, 09 Dec 2026 00:00:00 +0000\n")
    file(WRITE ${docs}/changelog "${changelog}")
    add_custom_command(
      OUTPUT ${docs}/changelog.gz
      COMMAND gzip -9 -n -c ${docs}/changelog > ${docs}/changelog.gz
      DEPENDS ${docs}/changelog
      COMMENT "Compressing the changelog"
      VERBATIM)
    add_custom_target(dirhop_changelog ALL DEPENDS ${docs}/changelog.gz)
  endif()

  # The licence in Debian's machine-readable format, for the package's copyright file.
  file(READ ${source}/LICENSE licence)
  string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" licence "${licence}")
  string(REGEX REPLACE "\n+$" "" licence "${licence}")
  string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REGEX REPLACE "\n" "\n " licence "${licence}")
  file(WRITE ${docs}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: dirhop\n\n"
       "Files: *\n"
       "Copyright: 2026 The Dirhop authors\n"
       "License: Expat\n ${licence}\n")

  set(readme ${source}/README.md)
  set(licence_file ${source}/LICENSE)
  if(WIN32)
    install(TARGETS dirhop RUNTIME DESTINATION .)
    install(FILES ${source}/shell/c.bat ${source}/shell/dirhop.ps1 ${beside_program} ${readme}
                  ${licence_file}
            DESTINATION .)
  else()
    install(TARGETS dirhop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${source}/shell/dirhop.bash ${source}/shell/dirhop.fish
                  ${source}/shell/dirhop.ps1
            DESTINATION ${CMAKE_INSTALL_DATADIR}/dirhop)
    install(FILES ${docs}/dirhop.html ${readme} ${licence_file} ${docs}/copyright
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
    if(man_page)
      # `man c` shows the same page. The pages are installed compressed, as man expects them
      # (gzip -n: no name or time in the header, so every build makes the same bytes).
      file(WRITE ${docs}/c.1 ".so man1/dirhop.1\n")
      install(FILES ${docs}/dirhop.1.gz ${docs}/c.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    # The package's changelog, which Debian's tools look for in every package.
    install(FILES ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
    if(DIRHOP_PACKAGE_FORMAT STREQUAL "deb")
      # The Debian package (the deb preset): lintian's notes on what is meant.
      install(FILES ${source}/packaging/deb/lintian-overrides RENAME dirhop
              DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
    endif()
    # -manual goes from the program's directory to the installed manual by the relative path
    # between these two directories, which CMakeLists.txt writes into core/build_info.h.
  endif()

  add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DDIRHOP_INSTALL_MANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
            -P ${source}/cmake/uninstall.cmake
    COMMENT "Removing the files of install_manifest.txt"
    VERBATIM)

  # Packages: `cpack` in the build directory; the zip is the Windows distribution, the .deb
  # (`cpack -G DEB`, or the deb preset: scripts/package-deb) the Debian one, the .rpm (the rpm
  # preset: scripts/package-rpm) the one for Fedora, openSUSE and the other RPM systems.
  set(CPACK_PACKAGE_NAME dirhop)
  set(CPACK_PACKAGE_VENDOR "The Dirhop authors")
  set(CPACK_PACKAGE_CONTACT "${authors}")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "Change directory by abbreviation, wildcard or misspelt name")
  set(CPACK_RESOURCE_FILE_LICENSE ${licence_file})
  # The files at the top of the archive: unpacked into a folder, that folder is the install.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # A home page field only for an address that is not an example: that leads nowhere.
  dirhop_is_example_address("${DIRHOP_HOME_PAGE}" no_home_page)
  if(NOT no_home_page)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${DIRHOP_HOME_PAGE})
    set(CPACK_RPM_PACKAGE_URL ${DIRHOP_HOME_PAGE})
  endif()
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
         "Dirhop gives bash, zsh, fish and PowerShell the command c, a cd that takes\n"
         "abbreviations, wildcards and names with typos, searching the directories level\n"
         "by level.")
  # The RPM: dirhop-<version>-1.<arch>.rpm, the same files and description as the .deb.
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_RELEASE 1)
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
  set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  # The program is stripped already (CPACK_STRIP_FILES): no separate debug-information package.
  set(CPACK_RPM_DEBUGINFO_PACKAGE OFF)
  # Only the package's own files: no /usr/lib/.build-id links, and the man directories belong to
  # the system.
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1)
  set(CPACK_STRIP_FILES ON)
  # The library dependencies come from dpkg-shlibdeps: none for the static program Linux builds.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME dirhop-${PROJECT_VERSION}-windows)
  else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME dirhop-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
  endif()
  include(CPack)
endfunction()

cmake_language(DEFER CALL dirhop_add_manual_and_install_rules)
