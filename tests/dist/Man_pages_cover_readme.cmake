# Every command, option and file the README names is in the manual pages.
# cmake -DREADME=README.md -DPAGE_DIR=<dir with vornell.1, vornell-cli.1, vornell-logger-sim.1> -P
cmake_minimum_required(VERSION 3.25)
file(READ ${README} readme)
set(pages "")
foreach(program vornell vornell-cli vornell-logger-sim)
  file(READ ${PAGE_DIR}/${program}.1 page)
  # The text as man shows it: plain hyphens, no font changes.
  string(REPLACE "\\-" "-" page "${page}")
  string(REGEX REPLACE "\\\\f[BIRP]" "" ${program} "${page}")
  string(APPEND pages "${${program}}")
endforeach()

set(missing "")
string(REGEX MATCHALL "vornell-cli [a-z]+" commands "${readme}")
list(REMOVE_DUPLICATES commands)
list(TRANSFORM commands REPLACE "^vornell-cli " "")
foreach(command ${commands})
  # Each command heads a paragraph of its own.
  if(NOT "${vornell-cli}" MATCHES "\n${command} ")
    list(APPEND missing "command ${command}")
  endif()
endforeach()

string(REGEX MATCHALL "--[a-z][a-z_-]*" options "${readme}")
list(REMOVE_DUPLICATES options)
# Options of the build tools, not of the programs.
list(REMOVE_ITEM options --gtest_filter --install)
string(REGEX MATCHALL "`[^`\n]+`" files "${readme}")
list(TRANSFORM files REPLACE "^`(.*)`$" "\\1")
list(FILTER files INCLUDE REGEX
  "^(~/[^ ]+|/dev/[^ ]+|\\.[a-z]+|[A-Za-z_]+\\.(ini|nbl|log)(\\.1)?|\\[[A-Za-z]+\\])$")
foreach(word ${options} ${files})
  string(FIND "${pages}" "${word}" at)
  if(at EQUAL -1)
    list(APPEND missing "${word}")
  endif()
endforeach()

if(NOT commands OR NOT options OR NOT files)
  message(FATAL_ERROR "no commands, options or files found in the README")
elseif(missing)
  message(FATAL_ERROR "not in the manual pages: ${missing}")
endif()
