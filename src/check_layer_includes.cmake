# Fails when a source of the layer LAYER includes a header of a layer that it
# does not link, or of a Qt module that it does not link, and touches STAMP
# when none does:
#   cmake -D LAYER=<folder> -D ROOT=<src> -D LAYERS=<every layer, a,b,...>
#         -D ALLOWED=<layers it links, itself included> -D QT=<its Qt modules>
#         -D STAMP=<file> -P check_layer_includes.cmake -- <source>...
# A quoted include is looked up beside the source, then in ROOT; the first
# folder of where it lands names its layer. Qt headers are judged by the
# module named in <QtModule/Header>; a bare <QHeader> of a module the layer
# does not link is not on its include path, so the compiler refuses it.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" layers "${LAYERS}")
string(REPLACE "," ";" allowed "${ALLOWED}")
string(REPLACE "," ";" modules "${QT}")

set(sources "")
set(after_separator OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(after_separator)
    list(APPEND sources "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(after_separator ON)
  endif()
endforeach()

set(faults "")
foreach(source ${sources})
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  cmake_path(GET source PARENT_PATH folder)
  cmake_path(RELATIVE_PATH source BASE_DIRECTORY "${ROOT}" OUTPUT_VARIABLE shown)
  foreach(line ${includes})
    if(line MATCHES "\"([^\"]+)\"")
      set(header "${CMAKE_MATCH_1}")
      if(EXISTS "${folder}/${header}")
        set(path "${folder}/${header}")
      else()
        set(path "${ROOT}/${header}")
      endif()
      cmake_path(NORMAL_PATH path)
      cmake_path(RELATIVE_PATH path BASE_DIRECTORY "${ROOT}")
      string(REGEX MATCH "^[^/]+" layer "${path}")
      if(layer IN_LIST layers AND NOT layer IN_LIST allowed)
        string(APPEND faults "\n  ${shown} includes \"${header}\", a header of ${layer}/")
      endif()
    elseif(line MATCHES "<(Qt([A-Za-z]+)/[^>]+)>")
      if(NOT CMAKE_MATCH_2 IN_LIST modules)
        string(APPEND faults "\n  ${shown} includes <${CMAKE_MATCH_1}>, a header of Qt ${CMAKE_MATCH_2}")
      endif()
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN allowed ", " allowed)
  list(JOIN modules ", " modules)
  message(FATAL_ERROR "${LAYER}/ links only ${allowed} and Qt ${modules}, but:${faults}")
endif()
file(TOUCH "${STAMP}")
