# The core without Qt (VORNELL_CORE_ONLY, the Windows build): its unit tests and the file commands
# of vornell-cli. Included by the top-level CMakeLists.txt after the core layers.

# nlohmann-json is header-only: the host's copy serves any target. Only its own folder is put on
# the include path, never the host's /usr/include.
find_path(VORNELL_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)
set(nlohmann_include ${CMAKE_BINARY_DIR}/host-include)
file(MAKE_DIRECTORY ${nlohmann_include})
file(CREATE_LINK ${VORNELL_NLOHMANN_DIR}/nlohmann ${nlohmann_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE ${nlohmann_include})
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)

add_subdirectory(src/cli)

# GoogleTest built for the target from Debian's sources (it names its targets GTest::gtest).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

enable_testing()
add_subdirectory(tests)
