# zr540_man_page(NAME): the man page NAME.1 made at build time from NAME.1.in in the calling
# folder (the version filled in, compressed as Debian wants it), built with everything (target
# NAME-man) and installed with the program.
function(zr540_man_page name)
  configure_file(${name}.1.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.1 @ONLY)
  find_program(ZR540_GZIP gzip)
  if(ZR540_GZIP)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz
      COMMAND ${ZR540_GZIP} -9 -n -c ${CMAKE_CURRENT_BINARY_DIR}/${name}.1 > ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz
      DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}.1
      COMMENT "Compressing the ${name} man page")
    add_custom_target(${name}-man ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz DESTINATION share/man/man1 COMPONENT zr540)
  else()
    add_custom_target(${name}-man)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.1 DESTINATION share/man/man1 COMPONENT zr540)
  endif()
endfunction()
