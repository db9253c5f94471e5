# Run by CPack on the staged tree before the Debian package is built: the binaries move
# from usr/bin to usr/games, and the manual page is compressed as Debian expects.
file(GLOB_RECURSE staged_games LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/bin/*"
                                                        "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program ${staged_games})
  get_filename_component(bin ${program} DIRECTORY)
  get_filename_component(usr ${bin} DIRECTORY)
  get_filename_component(name ${program} NAME)
  file(MAKE_DIRECTORY ${usr}/games)
  file(RENAME ${program} ${usr}/games/${name})
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
