# The desktop entry validates without a remark, and every MIME type it opens is defined by the
# shared MIME entry with a glob and the program's icon.
# cmake -DDIST=<the dist folder> -DWORK_DIR=<scratch folder> -P
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND desktop-file-validate ${DIST}/vornell.desktop
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out)
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()

file(STRINGS ${DIST}/vornell.desktop icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=vornell" OR NOT EXISTS ${DIST}/vornell.svg)
  message(FATAL_ERROR "the desktop entry's ${icon} is not the installed vornell.svg")
endif()

# A MIME database of our entry alone, in a data folder of its own.
set(mime ${WORK_DIR}/mime)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${mime}/packages)
file(COPY_FILE ${DIST}/vornell-mime.xml ${mime}/packages/vornell.xml)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_DIRS=${WORK_DIR}
  update-mime-database ${mime} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out)
  message(FATAL_ERROR "update-mime-database: ${out}")
endif()
file(READ ${mime}/globs2 globs)
file(STRINGS ${mime}/generic-icons icons)

file(READ ${DIST}/vornell.desktop entry)
string(REGEX MATCH "\nMimeType=([^\n]*);\n" mime_line "${entry}")
set(types "${CMAKE_MATCH_1}")
list(LENGTH types type_count)
if(type_count LESS 2)
  message(FATAL_ERROR "the desktop entry opens too few MIME types: ${mime_line}")
endif()
foreach(type ${types})
  if(NOT globs MATCHES ":${type}:\\*\\.")
    message(FATAL_ERROR "${type} has no glob")
  endif()
  if(NOT "${type}:vornell" IN_LIST icons)
    message(FATAL_ERROR "${type} does not have the program's icon")
  endif()
endforeach()
