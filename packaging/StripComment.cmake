# Run by CPack on its staging folder, after its own strip. The .comment section
# only names the compiler versions; Debian's packages leave it out.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
  message(FATAL_ERROR "no program staged under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  # Scripts such as svxpatch-open have no sections.
  file(READ ${program} magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND ${CPACK_OBJCOPY_EXECUTABLE} --remove-section=.comment ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
