# Read by cpack for each generator: the Debian package takes the "system" install component, the
# release zip the "portable" one, each as a single package under its own name.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL system)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_COMPONENTS_ALL portable)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
