# The desktop entry validates without a remark, names the program's icon, and every MIME type it
# opens is defined by the shared MIME entry with a glob and that icon.
# cmake -DDIST=<the dist folder> -DWORK_DIR=<scratch folder> -P
cmake_minimum_required(VERSION 3.25)
# Fails on an exit code other than 0 or any output.
function(run_quietly)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR out)
    message(FATAL_ERROR "${ARGN}: ${out}")
  endif()
endfunction()

run_quietly(desktop-file-validate ${DIST}/vornell.desktop)
file(READ ${DIST}/vornell.desktop entry)
if(NOT entry MATCHES "\nIcon=vornell\n" OR NOT EXISTS ${DIST}/vornell.svg)
  message(FATAL_ERROR "the desktop entry does not name the installed vornell.svg")
endif()
if(NOT entry MATCHES "\nMimeType=([^\n]*);\n")
  message(FATAL_ERROR "the desktop entry opens no MIME type")
endif()
set(types "${CMAKE_MATCH_1}")

# A MIME database of our entry alone, in a data folder of its own.
set(mime ${WORK_DIR}/mime)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${mime}/packages)
file(COPY_FILE ${DIST}/vornell-mime.xml ${mime}/packages/vornell.xml)
run_quietly(${CMAKE_COMMAND} -E env XDG_DATA_DIRS=${WORK_DIR} update-mime-database ${mime})
file(READ ${mime}/globs2 globs)
file(STRINGS ${mime}/generic-icons icons)
foreach(type ${types})
  if(NOT globs MATCHES ":${type}:\\*\\." OR NOT "${type}:vornell" IN_LIST icons)
    message(FATAL_ERROR "${type} has no glob or not the program's icon")
  endif()
endforeach()
