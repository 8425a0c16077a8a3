# Installing documents compressed as Debian's policy asks: gzip -9n, without a name or
# time stamp inside, so that builds stay reproducible.
include(GNUInstallDirs)

# tavrinole_install_gzipped(FILE DESTINATION PROGRAM): FILE (relative to the current
# source folder) installed as DESTINATION/<its name>.gz, compressed whenever PROGRAM is
# built, so that a tree that built only the programs can still be installed.
function(tavrinole_install_gzipped file destination program)
  get_filename_component(source ${file} ABSOLUTE)
  get_filename_component(name ${file} NAME)
  set(plain ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gzipped
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${source} VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip-${destination}-${name}" target)
  add_custom_target(${target} DEPENDS ${plain}.gz)
  add_dependencies(${program} ${target})
  install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()

# tavrinole_install_man(PAGE PROGRAM): PROGRAM's manual page, of section 1.
function(tavrinole_install_man page program)
  tavrinole_install_gzipped(${page} ${CMAKE_INSTALL_MANDIR}/man1 ${program})
endfunction()
