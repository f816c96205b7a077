# The download for Windows users, made by CPack's ZIP generator:
#   cmake --build build-win --target package   -> varnel-<version>-windows-x64.zip
# One folder with Varnel.exe, varnel-cli.exe, the Russian language module
# beside them (where the program looks) and a short README.txt. Both
# programs are self-contained (static Qt and runtime), so nothing else is
# shipped. Included from gui/CMakeLists.txt for a Windows build.
install(TARGETS Varnel varnel-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/resources/Varnel.lng DESTINATION .)
# Notepad on older Windows shows a file with bare line feeds as one line.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
               ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE WIN32)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME varnel-${PROJECT_VERSION}-windows-x64)
# The debugging information stays in the build; the download is stripped.
set(CPACK_STRIP_FILES ON)
include(CPack)
