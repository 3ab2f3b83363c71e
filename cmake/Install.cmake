# Where the program and its desktop files go, as the freedesktop specifications place them:
# the menu entry in applications/, the icon in the hicolor theme, the AppStream metadata in
# metainfo/. The program carries its pictures and layouts inside itself, so it runs from
# wherever it is installed.
include(GNUInstallDirs)

set(TAVRIN_APP_ID example.ketno.Tavrin)
set(desktop_files ${PROJECT_SOURCE_DIR}/resources/desktop)
set(TAVRIN_ICON_SIZES 16 22 24 32 48 64 128 256)

install(TARGETS tavrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The simulated board on a pseudo-terminal, for other serial programs; a build of the
# program alone (scripts/package) builds it too.
install(TARGETS tavrin-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
add_dependencies(tavrin tavrin-board)
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

# What Debian asks of every package and a reader of any installation expects: the manual
# pages and the changelog compressed (gzip -9n, so that the same sources give the same
# bytes), the copyright in the machine-readable format. The program depends on them so that
# a build of the program alone (scripts/package) has everything the package holds.
set(doc_outputs)
foreach(source man/tavrin.1 man/pt_BR/tavrin.1 man/tavrin-board.1 changelog)
    set(in ${PROJECT_SOURCE_DIR}/doc/${source})
    set(out ${CMAKE_BINARY_DIR}/doc/${source}.gz)
    get_filename_component(out_dir ${out} DIRECTORY)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
        COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${in} ${out}
        DEPENDS ${in}
        VERBATIM)
    list(APPEND doc_outputs ${out})
endforeach()
add_custom_target(tavrin_docs DEPENDS ${doc_outputs})
add_dependencies(tavrin tavrin_docs)

install(FILES ${CMAKE_BINARY_DIR}/doc/man/tavrin.1.gz ${CMAKE_BINARY_DIR}/doc/man/tavrin-board.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/doc/man/pt_BR/tavrin.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/pt_BR/man1)
install(FILES ${PROJECT_SOURCE_DIR}/doc/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin)
