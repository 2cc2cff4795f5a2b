# The app as a macOS application bundle, Kestrine.app: its Info.plist from
# packaging/macos/Info.plist.in, its icon rendered from the SVG at build time, and an ad-hoc
# signature, so that the system can tell the bundle apart from any other when it asks the user
# whether Kestrine may send Apple Events (the activation script). Included from src/ on Apple
# only, after the install rules of the app and the command-line tool, whose targets it changes.
set(kestrine_app_id app.kestrine.Kestrine)
set(kestrine_bundle_executable Kestrine)
# Filled here rather than by CMake's own substitution, which knows only its MACOSX_BUNDLE_* names.
configure_file(${CMAKE_SOURCE_DIR}/packaging/macos/Info.plist.in
    ${CMAKE_CURRENT_BINARY_DIR}/Kestrine-Info.plist @ONLY)
set_target_properties(kestrine PROPERTIES
    OUTPUT_NAME ${kestrine_bundle_executable}
    MACOSX_BUNDLE_INFO_PLIST ${CMAKE_CURRENT_BINARY_DIR}/Kestrine-Info.plist)
# Homebrew's Qt names its frameworks through @rpath: the installed programs keep the path to it.
# A bundle that carries its own Qt (macdeployqt) is another step.
set_target_properties(kestrine kestrine-cli PROPERTIES INSTALL_RPATH_USE_LINK_PATH TRUE)

# iconutil turns an .iconset (every size at 1x and 2x) into the .icns the Info.plist names.
find_program(KESTRINE_RSVG_CONVERT rsvg-convert REQUIRED) # Homebrew's librsvg
find_program(KESTRINE_ICONUTIL iconutil REQUIRED)
set(kestrine_iconset ${CMAKE_CURRENT_BINARY_DIR}/Kestrine.iconset)
set(kestrine_icns ${CMAKE_CURRENT_BINARY_DIR}/Kestrine.icns)
add_custom_command(OUTPUT ${kestrine_icns}
    COMMAND ${CMAKE_COMMAND} -E env RSVG_CONVERT=${KESTRINE_RSVG_CONVERT}
        ${CMAKE_SOURCE_DIR}/tools/render-app-icon.sh --iconset ${kestrine_iconset}
    COMMAND ${KESTRINE_ICONUTIL} --convert icns --output ${kestrine_icns} ${kestrine_iconset}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/icons/${kestrine_app_id}.svg
        ${CMAKE_SOURCE_DIR}/tools/render-app-icon.sh
    COMMENT "Rendering Kestrine.icns"
    VERBATIM)
target_sources(kestrine PRIVATE ${kestrine_icns})
set_source_files_properties(${kestrine_icns} PROPERTIES MACOSX_PACKAGE_LOCATION Resources)

find_program(KESTRINE_CODESIGN codesign REQUIRED)
add_custom_command(TARGET kestrine POST_BUILD
    COMMAND ${KESTRINE_CODESIGN} --force --sign - --deep $<TARGET_BUNDLE_DIR:kestrine>
    COMMENT "Signing Kestrine.app for this machine (ad hoc)"
    VERBATIM)
# Installing strips the executables, rewrites their library paths and adds the command-line
# tool, each of which breaks the signature: the installed bundle is signed again, last.
install(CODE "execute_process(COMMAND \"${KESTRINE_CODESIGN}\" --force --sign - --deep
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/Kestrine.app\" COMMAND_ERROR_IS_FATAL ANY)")
