# Windows: the programs' icon and version information, the Qt and MinGW files they load,
# and the installer (cpack -G NSIS) and zip (cpack -G ZIP) made from `cmake --install`.

# The window is a program of the window subsystem: no console opens beside it.
set_target_properties(segmentacia PROPERTIES WIN32_EXECUTABLE ON)
target_link_libraries(segui PUBLIC shell32)

# The icon, drawn from the SVG at build time where a tool for it is at hand.
find_program(RSVG_CONVERT rsvg-convert)
find_program(ICOTOOL icotool)
set(SEG_ICO ${CMAKE_CURRENT_BINARY_DIR}/segmentacia.ico)
set(SEG_RC_ICON "")
if(RSVG_CONVERT AND ICOTOOL)
  set(pngs)
  foreach(size 16 24 32 48 64 256)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/ico/${size}.png)
    list(APPEND pngs ${png})
  endforeach()
  add_custom_command(OUTPUT ${SEG_ICO}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/ico
    COMMAND ${RSVG_CONVERT} -w 16 -h 16 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/16.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    COMMAND ${RSVG_CONVERT} -w 24 -h 24 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/24.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    COMMAND ${RSVG_CONVERT} -w 32 -h 32 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/32.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    COMMAND ${RSVG_CONVERT} -w 48 -h 48 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/48.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    COMMAND ${RSVG_CONVERT} -w 64 -h 64 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/64.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    COMMAND ${RSVG_CONVERT} -w 256 -h 256 -o ${CMAKE_CURRENT_BINARY_DIR}/ico/256.png ${CMAKE_CURRENT_SOURCE_DIR}/app/icons/segmentacia.svg
    # The largest size stays PNG inside the icon, as Windows expects.
    COMMAND ${ICOTOOL} -c -o ${SEG_ICO} ${CMAKE_CURRENT_BINARY_DIR}/ico/16.png
            ${CMAKE_CURRENT_BINARY_DIR}/ico/24.png ${CMAKE_CURRENT_BINARY_DIR}/ico/32.png
            ${CMAKE_CURRENT_BINARY_DIR}/ico/48.png ${CMAKE_CURRENT_BINARY_DIR}/ico/64.png
            -r ${CMAKE_CURRENT_BINARY_DIR}/ico/256.png
    DEPENDS app/icons/segmentacia.svg VERBATIM)
  add_custom_target(segmentacia-ico DEPENDS ${SEG_ICO})
  # The name under which Qt looks for the icon of its windows; Explorer takes it too.
  set(SEG_RC_ICON "IDI_ICON1 ICON \"${SEG_ICO}\"")
endif()

set(SEG_VERSION_MINOR ${PROJECT_VERSION_MINOR})
if(SEG_VERSION_MINOR STREQUAL "")
  set(SEG_VERSION_MINOR 0)
endif()
foreach(program segmentacia segmentacia-cli)
  set(SEG_RC_NAME ${program})
  if(program STREQUAL "segmentacia")
    set(SEG_RC_DESCRIPTION "Segmentacia: object and background by a minimum s-t cut")
  else()
    set(SEG_RC_DESCRIPTION "Segmentacia from the command line")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${program}.rc)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
  target_sources(${program} PRIVATE ${rc})
  if(TARGET segmentacia-ico)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${SEG_ICO})
    add_dependencies(${program} segmentacia-ico)
  endif()
endforeach()

# What the programs load, beside them: Qt's libraries and plugins (platforms, image
# formats, styles) and, for a MinGW build, its runtime.
get_filename_component(SEG_QT_PREFIX "${Qt5_DIR}/../../.." ABSOLUTE)
foreach(module Core Gui Widgets)
  install(FILES $<TARGET_FILE:Qt5::${module}> DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
install(FILES ${SEG_QT_PREFIX}/plugins/platforms/qwindows.dll
              ${SEG_QT_PREFIX}/plugins/platforms/qoffscreen.dll
        DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
# (Qt's own installer puts the debug plugins, named with a final d, beside them.)
install(DIRECTORY ${SEG_QT_PREFIX}/plugins/imageformats ${SEG_QT_PREFIX}/plugins/styles
        DESTINATION ${CMAKE_INSTALL_BINDIR} FILES_MATCHING PATTERN "*.dll" PATTERN "*d.dll" EXCLUDE)
if(MSVC)
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(InstallRequiredSystemLibraries)
endif()
set(runtime_dirs ${SEG_QT_PREFIX}/bin)
if(MINGW)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The MinGW runtime ${dll} was not found")
    endif()
    get_filename_component(path ${path} REALPATH)
    # Debian's runtime keeps its symbols: 23 MB of libstdc++ alone.
    set(stripped ${CMAKE_CURRENT_BINARY_DIR}/runtime/${dll})
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/runtime)
    execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${path}
                    RESULT_VARIABLE failed)
    if(failed)
      set(stripped ${path})
    endif()
    install(FILES ${stripped} DESTINATION ${CMAKE_INSTALL_BINDIR})
    get_filename_component(dir ${path} DIRECTORY)
    list(APPEND runtime_dirs ${dir})
  endforeach()
endif()

# Cross-built from Linux, the tests run under Wine (drive Z: is the Unix root), unless
# another emulator was given.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  list(REMOVE_DUPLICATES runtime_dirs)
  list(TRANSFORM runtime_dirs PREPEND "Z:")
  string(JOIN ";" SEG_WINEPATH ${runtime_dirs})
  string(REPLACE "/" "\\" SEG_WINEPATH "${SEG_WINEPATH}")
  string(REPLACE "/" "\\" SEG_WINE_PLUGINS "Z:${SEG_QT_PREFIX}/plugins")
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows/wine-run.in
                 ${CMAKE_CURRENT_BINARY_DIR}/wine-run @ONLY)
  file(CHMOD ${CMAKE_CURRENT_BINARY_DIR}/wine-run
       PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_BINARY_DIR}/wine-run)
endif()

# The licence beside the README, under a name Windows opens.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME LICENSE.txt)

# The installer: a Start-menu entry for the window, the command line on PATH if the user
# chooses so, "Open with" for every image type the window reads, and an uninstaller that
# takes all of it away again.
set(CPACK_PACKAGE_VENDOR "Segmentacia")
set(CPACK_PACKAGE_FILE_NAME segmentacia-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Segmentacia)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Segmentacia)
set(CPACK_PACKAGE_EXECUTABLES segmentacia Segmentacia)
set(CPACK_NSIS_PACKAGE_NAME Segmentacia)
set(CPACK_NSIS_DISPLAY_NAME Segmentacia)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\segmentacia.exe")
set(CPACK_NSIS_MODIFY_PATH ON)
# A 64-bit installer for 64-bit programs: it installs into the 64-bit Program Files and
# registry view, and runs where only 64-bit Windows programs can (Wine without wine32).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
if(TARGET segmentacia-ico)
  set(CPACK_NSIS_MUI_ICON ${SEG_ICO})
  set(CPACK_NSIS_MUI_UNIICON ${SEG_ICO})
endif()
set(SEG_OPEN_WITH png jpg jpeg bmp gif ico pbm pgm ppm pnm xbm xpm)
set(progid "Segmentacia.Image")
set(app "Software\\\\Classes\\\\Applications\\\\segmentacia.exe")
set(install
  "WriteRegStr SHCTX 'Software\\\\Classes\\\\${progid}' '' 'Image (Segmentacia)'"
  "WriteRegStr SHCTX 'Software\\\\Classes\\\\${progid}\\\\DefaultIcon' '' '$INSTDIR\\\\bin\\\\segmentacia.exe,0'"
  "WriteRegStr SHCTX 'Software\\\\Classes\\\\${progid}\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\bin\\\\segmentacia.exe\\\" \\\"%1\\\"'"
  "WriteRegStr SHCTX '${app}\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\bin\\\\segmentacia.exe\\\" \\\"%1\\\"'")
set(uninstall
  "DeleteRegKey SHCTX 'Software\\\\Classes\\\\${progid}'"
  "DeleteRegKey SHCTX '${app}'")
foreach(suffix IN LISTS SEG_OPEN_WITH)
  list(APPEND install
    "WriteRegStr SHCTX 'Software\\\\Classes\\\\.${suffix}\\\\OpenWithProgids' '${progid}' ''"
    "WriteRegStr SHCTX '${app}\\\\SupportedTypes' '.${suffix}' ''")
  list(APPEND uninstall
    "DeleteRegValue SHCTX 'Software\\\\Classes\\\\.${suffix}\\\\OpenWithProgids' '${progid}'"
    "DeleteRegKey /ifempty SHCTX 'Software\\\\Classes\\\\.${suffix}\\\\OpenWithProgids'"
    "DeleteRegKey /ifempty SHCTX 'Software\\\\Classes\\\\.${suffix}'")
endforeach()
# Explorer learns of the new and the removed associations at once.
list(APPEND install "System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")
list(APPEND uninstall "System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")
string(JOIN "\n" CPACK_NSIS_EXTRA_INSTALL_COMMANDS ${install})
string(JOIN "\n" CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS ${uninstall})
