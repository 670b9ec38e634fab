# The manual, the install rules and the packages.
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
#   Windows (and the CPack zip): one folder with dirhop.exe, c.bat, dirhop.ps1, dirhop.chm and
#     README.md; c.bat and dirhop.ps1 find dirhop.exe beside them, -manual finds dirhop.chm.
#   POSIX: bin/dirhop, share/dirhop/dirhop.bash and dirhop.fish, share/man/man1/dirhop.1,
#     share/doc/dirhop/dirhop.html and README.md, and bin/dirhop.html, a link to the manual,
#     because -manual looks beside the program.
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
    DEPENDS ${beside_program} ${man_page}
    VERBATIM)

  set(readme ${source}/README.md)
  if(WIN32)
    install(TARGETS dirhop RUNTIME DESTINATION .)
    install(FILES ${source}/shell/c.bat ${source}/shell/dirhop.ps1 ${beside_program} ${readme}
            DESTINATION .)
  else()
    install(TARGETS dirhop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${source}/shell/dirhop.bash ${source}/shell/dirhop.fish
            DESTINATION ${CMAKE_INSTALL_DATADIR}/dirhop)
    install(FILES ${docs}/dirhop.html ${readme} DESTINATION ${CMAKE_INSTALL_DOCDIR})
    if(man_page)
      install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    # -manual opens dirhop.html beside the program: a relative link to the installed manual.
    file(RELATIVE_PATH link_target /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_DOCDIR}/dirhop.html)
    install(CODE "
      set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dirhop.html\")
      message(STATUS \"Installing: \${link}\")
      file(REMOVE \"\${link}\")
      file(CREATE_LINK \"${link_target}\" \"\${link}\" SYMBOLIC)")
  endif()

  # Packages: `cpack` in the build directory; the zip is the Windows distribution.
  set(CPACK_PACKAGE_NAME dirhop)
  set(CPACK_PACKAGE_VENDOR "Dirhop")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "Change directory by abbreviation, wildcard or misspelt name")
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
