# Read by cpack before it makes each package. CPack's Debian generator reads
# the type of every packaged file with `file` (without it cpack stops, naming
# no package), and writes the package's Depends line with dpkg-shlibdeps
# (without it, only a note: the package depends on nothing, which lintian
# reports). Each missing tool stops cpack here, naming its Debian package.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(HALVEX_FILE_PROGRAM file)
  if(NOT HALVEX_FILE_PROGRAM)
    message(FATAL_ERROR "file not found: install file")
  endif()
  find_program(HALVEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT HALVEX_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps not found: install dpkg-dev")
  endif()
endif()
