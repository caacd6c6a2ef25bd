# Runs in CPack between staging the files and packing them, and does what Debian's own package
# tools would: drops the compiler's .comment and .note sections from the stripped programs, and
# compresses the manual pages and the changelog (gzip -9, without a time stamp, so the package
# is reproducible). The plain install tree keeps them as written.
file(GLOB programs ${CPACK_TEMPORARY_DIRECTORY}/*/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(GLOB_RECURSE documents
     ${CPACK_TEMPORARY_DIRECTORY}/*/share/man/*.[1-9]
     ${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/vorlane/changelog)
foreach(document IN LISTS documents)
  execute_process(COMMAND gzip -9nf ${document} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
