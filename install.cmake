# Install rules of a shared installation: the programs on the PATH, where only root writes
# (the data lies in RONVALO_DATA_FOLDER, never beside them), and the program's icon in every
# size of the hicolor theme, drawn at build time.
include(GNUInstallDirs)

install(TARGETS ronvalo ronvalo-newdb ronvalo-raport ronvalo-verify ronvalo-web RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(icon_folder ${CMAKE_BINARY_DIR}/icons)
add_custom_command(OUTPUT ${icon_folder}/256x256/apps/ronvalo.png
                   COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                           ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:ronvalo-icons> ${icon_folder}
                   DEPENDS ronvalo-icons
                   COMMENT "Drawing the program's icons")
add_custom_target(icons ALL DEPENDS ${icon_folder}/256x256/apps/ronvalo.png)
install(DIRECTORY ${icon_folder}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
