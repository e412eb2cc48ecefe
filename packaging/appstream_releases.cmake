# Writes the AppStream metadata with a <release> for every entry of the
# changelog, newest first, so that software centres list the same history as
# the package's changelog.
#   cmake -DDPKG_PARSECHANGELOG=dpkg-parsechangelog -DCHANGELOG=changelog -DTEMPLATE=metainfo.xml.in -DOUTPUT=metainfo.xml
#         -DTARNWICK_APP_ID=... -DPROJECT_HOMEPAGE_URL=... -P appstream_releases.cmake
execute_process(COMMAND ${DPKG_PARSECHANGELOG} --file ${CHANGELOG} --all --format rfc822
                OUTPUT_VARIABLE entries COMMAND_ERROR_IS_FATAL ANY)

# Split into lines without CMake's list separator cutting a line in two.
string(ASCII 31 semicolon)
string(REPLACE ";" "${semicolon}" entries "${entries}")
string(REPLACE "\n" ";" lines "${entries}")

set(TARNWICK_RELEASES "")
set(item "")
macro(end_item)
  if(NOT item STREQUAL "")
    string(REPLACE "&" "&amp;" item "${item}")
    string(REPLACE "<" "&lt;" item "${item}")
    string(REPLACE ">" "&gt;" item "${item}")
    string(APPEND TARNWICK_RELEASES "          <li>${item}</li>\n")
    set(item "")
  endif()
endmacro()
macro(end_release)
  end_item()
  if(DEFINED version)
    string(APPEND TARNWICK_RELEASES "        </ul>\n      </description>\n    </release>\n")
  endif()
endmacro()

# Each entry is Version, ..., Timestamp, ..., then its changes: "   * " starts
# an item, deeper indented lines go on with it.
foreach(line IN LISTS lines)
  if(line MATCHES "^Version: (.+)$")
    end_release()
    set(version ${CMAKE_MATCH_1})
  elseif(line MATCHES "^Timestamp: ([0-9]+)$")
    # The one date conversion CMake has: the time it takes for "now".
    set(ENV{SOURCE_DATE_EPOCH} ${CMAKE_MATCH_1})
    string(TIMESTAMP date "%Y-%m-%d" UTC)
    string(APPEND TARNWICK_RELEASES
           "    <release version=\"${version}\" date=\"${date}\">\n      <description>\n        <ul>\n")
  elseif(line MATCHES "^   \\* (.+)$")
    end_item()
    set(item "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^     +(.+)$")
    string(APPEND item " ${CMAKE_MATCH_1}")
  endif()
endforeach()
end_release()
string(REPLACE "${semicolon}" ";" TARNWICK_RELEASES "${TARNWICK_RELEASES}")
string(REGEX REPLACE "\n$" "" TARNWICK_RELEASES "${TARNWICK_RELEASES}")

configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
