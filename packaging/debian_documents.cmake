# What Debian asks of every package beside its programs, made from the
# project's own files: the changelog, the copyright file, the manual pages
# and the README.
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/${TARNWICK_PACKAGE})
set(documents ${CMAKE_CURRENT_BINARY_DIR}/doc)

# The changelog is the one record of the releases: the package's changelog,
# the metadata's releases and the manual pages' date all come from it.
find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog REQUIRED)
set(changelog ${CMAKE_CURRENT_SOURCE_DIR}/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog} ${PROJECT_SOURCE_DIR}/LICENSE)
foreach(field Version Timestamp)
  execute_process(COMMAND ${DPKG_PARSECHANGELOG} --file ${changelog} --show-field ${field}
                  OUTPUT_VARIABLE release_${field} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(NOT release_Version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's newest entry is ${release_Version}, the project is ${PROJECT_VERSION}")
endif()

# Debian keeps changelogs, manual pages and documents over 4 kB gzipped at
# the highest level, without the name and time that would make builds differ.
# MAKE is the command that writes `file`.
function(tarnwick_gzipped file)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "MAKE;DEPENDS")
  add_custom_command(OUTPUT ${file}.gz
      COMMAND ${arg_MAKE}
      COMMAND gzip -9nf ${file}
      DEPENDS ${arg_DEPENDS}
      VERBATIM)
endfunction()

foreach(document ${changelog} ${PROJECT_SOURCE_DIR}/README.md)
  get_filename_component(name ${document} NAME)
  tarnwick_gzipped(${documents}/${name} MAKE ${CMAKE_COMMAND} -E copy ${document} ${documents}/${name} DEPENDS ${document})
  list(APPEND package_files ${documents}/${name}.gz)
endforeach()
install(FILES ${documents}/changelog.gz ${documents}/README.md.gz DESTINATION ${docdir})

# The manual pages, written in scdoc's plain markup, dated by the release.
set(manual_pages tarnwick tarnwick-demo)
find_program(SCDOC scdoc)
if(SCDOC)
  foreach(page ${manual_pages})
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/man/${page}.1.scd)
    tarnwick_gzipped(${documents}/${page}.1
        MAKE ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${release_Timestamp}
             sh -c "\"$0\" < \"$1\" > \"$2\"" ${SCDOC} ${source} ${documents}/${page}.1
        DEPENDS ${source})
    list(APPEND package_files ${documents}/${page}.1.gz)
    install(FILES ${documents}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "scdoc not found: the manual pages are left out")
endif()

# The machine-readable copyright file, with the holder and terms of LICENSE;
# its format indents the text by a space and marks an empty line with a dot.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" copyright_line "${license}")
set(TARNWICK_COPYRIGHT ${CMAKE_MATCH_1})
string(REGEX REPLACE "^.*\n\n(Permission is hereby granted)" "\\1" terms "${license}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " TARNWICK_LICENSE_TEXT " ${terms}")
configure_file(copyright.in ${documents}/copyright @ONLY)
install(FILES ${documents}/copyright DESTINATION ${docdir})
