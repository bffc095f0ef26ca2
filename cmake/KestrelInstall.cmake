# cmake --install lays out the program folder under the prefix, and the desktop
# integration and the udev rule where the system looks for them. CPack builds a .deb.
#
#   <prefix>/kestrelup, update, tovrek/tovrek, VELD/ (for the maker's program),
#   setting/config.json (the default copied to each user's data folder), bin/kestrelup
#
# The programs are addressed relative to their own folder, so the folder moves as one.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/kestrelup CACHE PATH "Program folder of the installation" FORCE)
endif()
set(KESTREL_SYSTEM_DATADIR /usr/share CACHE PATH "Where desktop entries, metainfo and icons go")
set(KESTREL_UDEV_RULESDIR /usr/lib/udev/rules.d CACHE PATH "Where udev reads package rules")
set(KESTREL_APP_ID com.norvo.kestrelup CACHE STRING "Desktop and AppStream id")
set(KESTREL_HOMEPAGE https://norvo.example/kestrelup CACHE STRING "Home page named in the metainfo")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)

if(TARGET kestrelup)
  install(TARGETS kestrelup RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/config.json DESTINATION setting)
  install(PROGRAMS ${packaging}/kestrelup.sh DESTINATION bin RENAME kestrelup)
endif()
if(TARGET update)
  install(TARGETS update RUNTIME DESTINATION .)
endif()
install(TARGETS tovrek RUNTIME DESTINATION tovrek)
# The maker's second flashing program is installed there by hand.
install(DIRECTORY DESTINATION VELD)

install(FILES ${packaging}/70-kestrelup.rules DESTINATION ${KESTREL_UDEV_RULESDIR})
install(FILES ${packaging}/kestrelup.png DESTINATION ${KESTREL_SYSTEM_DATADIR}/icons/hicolor/64x64/apps)
configure_file(${packaging}/kestrelup.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/packaging/${KESTREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KESTREL_APP_ID}.metainfo.xml DESTINATION ${KESTREL_SYSTEM_DATADIR}/metainfo)
# The entry names the launcher by its absolute path, known only once the prefix is.
install(CODE "
  set(KESTREL_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/bin/kestrelup\")
  configure_file(\"${packaging}/kestrelup.desktop.in\"
    \"\$ENV{DESTDIR}${KESTREL_SYSTEM_DATADIR}/applications/${KESTREL_APP_ID}.desktop\" @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}${KESTREL_SYSTEM_DATADIR}/applications/${KESTREL_APP_ID}.desktop\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Norvo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware upgrade tool for Norvo USB audio devices")
set(CPACK_PACKAGE_CONTACT "Norvo <support@norvo.example>")
# The package always installs into /opt/kestrelup, whatever prefix a build dir was
# first configured with.
set(KESTREL_PACKAGE_PREFIX /opt/kestrelup CACHE PATH "Program folder of the .deb")
set(CPACK_PACKAGING_INSTALL_PREFIX ${KESTREL_PACKAGE_PREFIX})
set(CPACK_INSTALL_PREFIX ${KESTREL_PACKAGE_PREFIX})
# Part of the package lies outside the prefix (desktop entry, udev rule).
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# The Chinese interface needs a font with its glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
# dpkg-shlibdeps finds the packages of the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
