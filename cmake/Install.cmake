# Where the program and its desktop files go, as the freedesktop specifications place them:
# the menu entry in applications/, the icon in the hicolor theme, the AppStream metadata in
# metainfo/. The program carries its pictures and layouts inside itself, so it runs from
# wherever it is installed.
include(GNUInstallDirs)

set(TAVRIN_APP_ID example.ketno.Tavrin)
set(desktop_files ${PROJECT_SOURCE_DIR}/resources/desktop)
set(TAVRIN_ICON_SIZES 16 22 24 32 48 64 128 256)

install(TARGETS tavrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_files}/${TAVRIN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_files}/${TAVRIN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_files}/${TAVRIN_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS TAVRIN_ICON_SIZES)
    install(FILES ${desktop_files}/icons/${size}x${size}/${TAVRIN_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Installs into a scratch prefix and checks what landed there with the freedesktop
# validators, then builds the Debian package and reads its control data.
string(JOIN " " icon_sizes ${TAVRIN_ICON_SIZES})
add_test(NAME InstallIsValid
         COMMAND ${PROJECT_SOURCE_DIR}/cmake/check-install.sh ${CMAKE_BINARY_DIR}
                 ${TAVRIN_APP_ID} ${icon_sizes})
add_test(NAME DebianPackageIsComplete
         COMMAND ${PROJECT_SOURCE_DIR}/cmake/check-package.sh ${CMAKE_BINARY_DIR} ${TAVRIN_APP_ID})
set_tests_properties(InstallIsValid DebianPackageIsComplete PROPERTIES TIMEOUT 300)
# Both run the install step of this build folder; one at a time.
set_tests_properties(InstallIsValid DebianPackageIsComplete PROPERTIES RESOURCE_LOCK install)
