# Runs at install time, from the install rules in CMakeLists.txt beside this file: writes the
# desktop entry and the launcher script for the prefix being installed to, then installs them.
# A work folder per destination keeps installs to different prefixes from sharing files.
string(MD5 destination "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
set(work "${PIXOLAN_WORK_DIR}/${destination}")

set(PIXOLAN_BINARY "${CMAKE_INSTALL_PREFIX}/${PIXOLAN_BINDIR}/pixolan")
set(PIXOLAN_LAUNCHER "${CMAKE_INSTALL_PREFIX}/${PIXOLAN_LAUNCHER_DIR}/start-in-home")
# Exec= is a command line: a path with spaces or other reserved characters is quoted, as the
# desktop entry standard says, and then escaped once more as a desktop file string.
set(PIXOLAN_LAUNCHER_EXEC "${PIXOLAN_LAUNCHER}")
if(PIXOLAN_LAUNCHER_EXEC MATCHES "[^-A-Za-z0-9_/.+,:@]")
    string(REGEX REPLACE "([\"`$\\])" "\\\\1" PIXOLAN_LAUNCHER_EXEC "${PIXOLAN_LAUNCHER_EXEC}")
    string(REPLACE "\\" "\\\\" PIXOLAN_LAUNCHER_EXEC "${PIXOLAN_LAUNCHER_EXEC}")
    set(PIXOLAN_LAUNCHER_EXEC "\"${PIXOLAN_LAUNCHER_EXEC}\"")
endif()
string(REPLACE "%" "%%" PIXOLAN_LAUNCHER_EXEC "${PIXOLAN_LAUNCHER_EXEC}")
configure_file("${PIXOLAN_SOURCE_DIR}/pixolan.desktop.in" "${work}/${PIXOLAN_APP_ID}.desktop"
               @ONLY)
# The script names the program in single quotes.
string(REPLACE "'" "'\\''" PIXOLAN_BINARY_SH "${PIXOLAN_BINARY}")
configure_file("${PIXOLAN_SOURCE_DIR}/start-in-home.in" "${work}/start-in-home" @ONLY)

file(INSTALL "${work}/${PIXOLAN_APP_ID}.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${PIXOLAN_APPLICATIONS_DIR}")
file(INSTALL "${work}/start-in-home"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${PIXOLAN_LAUNCHER_DIR}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
