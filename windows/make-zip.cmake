# Puts the program and what it needs beside it into a folder NAME and zips it
# to ZIP. Run with cmake -P, given the variables that the Windows build passes.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${STAGING})
set(folder ${STAGING}/${NAME})
file(MAKE_DIRECTORY ${folder})

file(COPY ${PROGRAM} DESTINATION ${folder})
set(modules)
foreach(plugin ${PLUGINS})
  cmake_path(GET plugin PARENT_PATH kind_dir)
  cmake_path(GET kind_dir FILENAME kind)
  file(COPY ${plugin} DESTINATION ${folder}/${kind})
  list(APPEND modules ${plugin})
endforeach()

# Every DLL the program and the plugins import, and theirs in turn, that is
# in the runtime folders; the rest are Windows's own. Windows matches DLL
# names in any case.
set(runtime_dlls)
foreach(dir ${RUNTIME_DIRS})
  file(GLOB found LIST_DIRECTORIES false ${dir}/*.dll)
  list(APPEND runtime_dlls ${found})
endforeach()
foreach(dll ${runtime_dlls})
  cmake_path(GET dll FILENAME name)
  string(TOLOWER "${name}" name)
  set(runtime_dll_${name} ${dll})
endforeach()

set(unread ${PROGRAM} ${modules})
set(shipped)
while(unread)
  list(POP_FRONT unread binary)
  execute_process(COMMAND ${OBJDUMP} -p ${binary} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
  foreach(import ${imports})
    string(REGEX REPLACE "^DLL Name: " "" name "${import}")
    string(TOLOWER "${name}" name)
    set(dll "${runtime_dll_${name}}")
    if(dll AND NOT dll IN_LIST shipped)
      list(APPEND shipped ${dll})
      list(APPEND unread ${dll})
    endif()
  endforeach()
endwhile()
file(COPY ${shipped} DESTINATION ${folder})

if(FIRMWARE)
  file(COPY ${FIRMWARE} DESTINATION ${folder}/firmware)
endif()
file(COPY ${README} DESTINATION ${folder})

file(GLOB_RECURSE binaries ${folder}/*.exe ${folder}/*.dll)
foreach(binary ${binaries})
  execute_process(COMMAND ${STRIP} --strip-unneeded ${binary} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${NAME}
                WORKING_DIRECTORY ${STAGING} COMMAND_ERROR_IS_FATAL ANY)
