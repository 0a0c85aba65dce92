# The fontconfig configuration that every test and `make screenshots` run under
# (FONTCONFIG_FILE=${VORNELL_PINNED_FONTS}): a folder of links to the fonts of Debian's
# fonts-dejavu-core, which the install script brings. The folder of those files may hold more
# (fonts-dejavu-extra), so the configuration names the links, not that folder.
set(pinned_fonts DejaVuSans.ttf DejaVuSans-Bold.ttf DejaVuSansMono.ttf DejaVuSansMono-Bold.ttf
  DejaVuSerif.ttf DejaVuSerif-Bold.ttf)
find_path(VORNELL_DEJAVU_DIR DejaVuSansMono.ttf
  PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(pinned_dir ${PROJECT_BINARY_DIR}/fonts/files)
set(pinned_cache ${PROJECT_BINARY_DIR}/fonts/cache)
set(VORNELL_PINNED_FONTS ${PROJECT_BINARY_DIR}/fonts/fonts.conf)
file(REMOVE_RECURSE ${pinned_dir})
file(MAKE_DIRECTORY ${pinned_dir})
if(VORNELL_DEJAVU_DIR)
  foreach(font ${pinned_fonts})
    if(EXISTS ${VORNELL_DEJAVU_DIR}/${font})
      file(CREATE_LINK ${VORNELL_DEJAVU_DIR}/${font} ${pinned_dir}/${font} SYMBOLIC)
    else()
      message(WARNING "${VORNELL_DEJAVU_DIR}/${font} is missing: the tests see fewer fonts")
    endif()
  endforeach()
else()
  message(WARNING "No DejaVu fonts (fonts-dejavu-core): tests that measure text will fail")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/Pinned_fonts.conf.in ${VORNELL_PINNED_FONTS} @ONLY)
