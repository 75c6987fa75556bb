# seg_man_page(TARGET NAME_LINE KEPT_PAGE INCLUDE_FILE [help2man options...])
# The program's man page from its own --help and --version, so it cannot fall behind,
# with the sections help2man cannot find in --help (EXIT STATUS, SEE ALSO) from
# INCLUDE_FILE; without help2man the copy kept beside the program is used instead.
# Installed gzip -9n compressed, as Debian's policy asks. Windows has no man pages.
if(NOT WIN32)
  find_program(HELP2MAN help2man)
  find_program(GZIP gzip REQUIRED)
endif()

function(seg_man_page target name kept include)
  if(WIN32)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${target}.1)
  if(HELP2MAN)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
              ${HELP2MAN} --no-info --section=1 ${ARGN} --include=${include}
              --name=${name} --output=${page}.help2man $<TARGET_FILE:${target}>
      COMMAND ${CMAKE_COMMAND} -DIN=${page}.help2man -DOUT=${page}
              -P ${PROJECT_SOURCE_DIR}/cmake/manexit.cmake
      DEPENDS ${target} ${include} ${PROJECT_SOURCE_DIR}/cmake/manexit.cmake
      COMMENT "Generating the man page of ${target}"
      VERBATIM)
  else()
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E copy ${kept} ${page}
      DEPENDS ${kept}
      VERBATIM)
  endif()
  # gzip -n leaves out the name and time stamp, so the same page compresses the same.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${page}.tmp
    COMMAND ${GZIP} -9nf ${page}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${page}.tmp.gz ${page}.gz
    DEPENDS ${page}
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
