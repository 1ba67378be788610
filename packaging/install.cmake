# cmake --install puts the program, its desktop entry, its icon, its AppStream metadata and its
# manual pages in their standard places under the prefix. The program recognises this layout at
# run time and then keeps Tandrix.ini in the user's configuration folder.
include(GNUInstallDirs)

# The PNG sizes rendered from the SVG by render-icons.sh.
set(TANDRIX_ICON_SIZES 16 22 24 32 48 64 128 256)

set(packaging_src ${CMAKE_CURRENT_LIST_DIR})
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out}/man/de)

# The release date as Debian's changelog writes it; the locale is fixed so the names are English.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -R -d "${TANDRIX_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE TANDRIX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE date_result)
if(NOT date_result EQUAL 0)
    message(FATAL_ERROR "Cannot read the release date '${TANDRIX_RELEASE_DATE}'")
endif()

configure_file(${packaging_src}/tandrix.metainfo.xml.in ${packaging_out}/${TANDRIX_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${packaging_src}/man/Tandrix.1.in ${packaging_out}/man/Tandrix.1 @ONLY)
configure_file(${packaging_src}/man/Tandrix.de.1.in ${packaging_out}/man/de/Tandrix.1 @ONLY)
configure_file(${packaging_src}/debian/changelog.in ${packaging_out}/changelog @ONLY)

# Manual pages and the changelog are installed compressed with gzip -9n (no name, no time stamp),
# as Debian wants them.
set(compressed)
foreach(file man/Tandrix.1 man/de/Tandrix.1 changelog)
    add_custom_command(
        OUTPUT ${packaging_out}/${file}.gz
        COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${packaging_out}/${file} ${packaging_out}/${file}.gz
        DEPENDS ${packaging_out}/${file}
        VERBATIM)
    list(APPEND compressed ${packaging_out}/${file}.gz)
endforeach()
add_custom_target(tandrix_packaging_files ALL DEPENDS ${compressed})

install(TARGETS Tandrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_src}/tandrix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_src}/tandrix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS TANDRIX_ICON_SIZES)
    install(FILES ${packaging_src}/icons/tandrix-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tandrix.png)
endforeach()
install(FILES ${packaging_out}/${TANDRIX_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging_out}/man/Tandrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_out}/man/de/Tandrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1)
install(FILES ${packaging_src}/debian/copyright ${packaging_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tandrix)
