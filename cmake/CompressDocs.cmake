# Run by CPack on the staged tree before it packs it: manual pages and the
# changelog are compressed, as Debian keeps them.
file(GLOB_RECURSE docs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/strandline/changelog")
list(FILTER docs EXCLUDE REGEX "\\.gz$")
foreach(doc IN LISTS docs)
  execute_process(COMMAND gzip -9nf "${doc}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${doc} failed")
  endif()
endforeach()
