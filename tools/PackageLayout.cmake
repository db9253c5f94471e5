# Run by CPack on the staged tree before the Debian package is built: the binaries move
# from usr/bin to usr/games and lose the compiler's version notes as dh_strip would have
# them, the manual pages are compressed as Debian expects, and lintian's overrides join.
file(GLOB_RECURSE staged_games LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/bin/*"
                                                        "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program ${staged_games})
  get_filename_component(bin ${program} DIRECTORY)
  get_filename_component(usr ${bin} DIRECTORY)
  get_filename_component(name ${program} NAME)
  file(MAKE_DIRECTORY ${usr}/games)
  file(RENAME ${program} ${usr}/games/${name})
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${usr}/games/${name}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
foreach(program ${staged_games})
  get_filename_component(bin ${program} DIRECTORY)
  file(GLOB left ${bin}/*)
  if(NOT left AND IS_DIRECTORY ${bin})
    file(REMOVE_RECURSE ${bin})
  endif()
endforeach()

file(GLOB_RECURSE manual_pages LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/man6/*.6"
                                                        "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share/man/man6/*.6")
foreach(page ${manual_pages})
  execute_process(COMMAND gzip -9n -f ${page} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not compress ${page}")
  endif()
endforeach()

file(GLOB staged_usr LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr"
                                        "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
foreach(usr ${staged_usr})
  if(IS_DIRECTORY ${usr}/share)
    file(MAKE_DIRECTORY ${usr}/share/lintian/overrides)
    configure_file(${CPACK_TARNWICK_LINTIAN_OVERRIDES} ${usr}/share/lintian/overrides/tarnwick COPYONLY)
  endif()
endforeach()
