# The two packages that cpack makes from a release build (tools/bootstrap.sh package):
# - a Debian package: the programs in /usr/bin, desktop entry, icon and udev rule, its
#   dependencies read from the programs' libraries, the udev rules reloaded on install and
#   removal (install component "system", the one `cmake --install` installs as well);
# - the release zip "Kelvora_Veltrum.zip" for the portable install: the programs at its top with
#   the udev rule, desktop entry and icon beside them, unpacked into a folder of the user's
#   choice; it is also the package of the program's own update (install component "portable",
#   left out of `cmake --install`).
# The release zip's files, all at its top.
install(TARGETS veltrum veltrum-cli RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/src/resources/veltrum.desktop
              ${PROJECT_SOURCE_DIR}/src/resources/icons/veltrum.png
              ${PROJECT_SOURCE_DIR}/src/resources/udev/60-kelvora.rules
        DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME veltrum)
set(CPACK_PACKAGE_VENDOR "Kelvora")
set(CPACK_PACKAGE_CONTACT "Kelvora <info@kelvora.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service and analysis program for the Kelvora bite-biofeedback device")
set(CPACK_PACKAGE_DESCRIPTION
    "Veltrum reads, configures and updates the Kelvora bite-biofeedback module in its USB charging box, and shows the recorded nights in diagrams. It consists of the desktop program veltrum and the command-line program veltrum-cli.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.kelvora.de")
set(CPACK_GENERATOR "DEB;ZIP")
set(CPACK_OUTPUT_FILE_PREFIX packages)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageOptions.cmake)

set(CPACK_DEBIAN_SYSTEM_PACKAGE_NAME veltrum)
set(CPACK_DEBIAN_SYSTEM_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop program needs a platform plugin of Qt to open a window, and Qt's translations for
# its own dialogs in German; no library names either.
set(CPACK_DEBIAN_SYSTEM_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_SYSTEM_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_SYSTEM_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_ARCHIVE_PORTABLE_FILE_NAME Kelvora_Veltrum)

include(CPack)
