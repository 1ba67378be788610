# cmake --install puts the program, its desktop entry and its icon in their standard places under
# the prefix. The program recognises this layout at run time and then keeps Tandrix.ini in the
# user's configuration folder.
include(GNUInstallDirs)
install(TARGETS Tandrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tandrix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tandrix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
