# The installed tree. PREFIX/bin/ holds the programs; the control module,
# the assistant program (the module's name without its extension, started
# from beside it) and the window front end's library go to
# PREFIX/lib/kiv-downloader/, where the programs find them from their own
# location: the tree works wherever it is moved as a whole.
# (env/InstalledFiles.h names the same folder.)
set(KIV_MODULE_INSTALL_DIR lib/kiv-downloader)
# Where the browsers look for the native messaging host's manifest, under
# the prefix; the Debian package puts Chromium's in the absolute
# /etc/chromium/native-messaging-hosts, the only place Debian's Chromium reads.
option(KIV_PACKAGE_DEB "Lay out the install for the Debian package" OFF)
if(KIV_PACKAGE_DEB)
    set(KIV_CHROMIUM_HOSTS_DIR /etc/chromium/native-messaging-hosts)
else()
    set(KIV_CHROMIUM_HOSTS_DIR etc/chromium/native-messaging-hosts)
endif()
set(KIV_FIREFOX_HOSTS_DIR lib/mozilla/native-messaging-hosts)

set(kiv_packaging ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS kiv-downloader kivtool RUNTIME DESTINATION bin)
install(TARGETS kivdownloadcontrol LIBRARY DESTINATION ${KIV_MODULE_INSTALL_DIR})
install(TARGETS kiv_assistant_standin RUNTIME DESTINATION ${KIV_MODULE_INSTALL_DIR})
install(TARGETS kivwindowfrontend LIBRARY DESTINATION ${KIV_MODULE_INSTALL_DIR})

# Manual pages go compressed, as Debian wants them; man reads them either way.
set(kiv_man_pages)
foreach(page kiv-downloader.1 kivtool.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${kiv_packaging}/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
        DEPENDS ${kiv_packaging}/${page} VERBATIM)
    list(APPEND kiv_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(kiv_man_pages ALL DEPENDS ${kiv_man_pages})
install(FILES ${kiv_man_pages} DESTINATION share/man/man1)

install(FILES ${kiv_packaging}/kiv-downloader.desktop DESTINATION share/applications)
install(FILES ${kiv_packaging}/kiv-downloader.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${kiv_packaging}/completions/kiv-downloader ${kiv_packaging}/completions/kivtool
        DESTINATION share/bash-completion/completions)

# The browser extension, unpacked, as each browser loads it: Chromium's is
# the source tree, Firefox's the build's copy with its own manifest.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/browser/extension/ DESTINATION share/kiv-downloader/browser
        PATTERN manifest.firefox.json EXCLUDE)
install(DIRECTORY ${CMAKE_BINARY_DIR}/browser/firefox/ DESTINATION share/kiv-downloader/firefox)

# The native messaging manifests name the installed program by its absolute
# path, known only when the prefix is (cmake --install --prefix, or the
# package's /usr), so they are written at install time.
function(kiv_install_host_manifest browser destination)
    set(template
        ${CMAKE_SOURCE_DIR}/browser/native-messaging/com.velmo.kiv_downloader.${browser}.json.in)
    set(manifest ${CMAKE_BINARY_DIR}/native-messaging/${browser}/com.velmo.kiv_downloader.json)
    install(CODE "
        set(host_path \"\${CMAKE_INSTALL_PREFIX}/bin/kiv-downloader\")
        if(host_path MATCHES \"[\\\"\\\\\\\\]\")
            message(FATAL_ERROR \"the install prefix cannot go into a JSON manifest: \${host_path}\")
        endif()
        file(READ \"${template}\" text)
        string(REPLACE \"@KIV_HOST_PATH@\" \"\${host_path}\" text \"\${text}\")
        file(WRITE \"${manifest}\" \"\${text}\")
    ")
    install(FILES ${manifest} DESTINATION ${destination})
    # Files the package places in /etc are its configuration files.
    if(IS_ABSOLUTE ${destination})
        set_property(GLOBAL APPEND PROPERTY kiv_conffiles
                     ${destination}/com.velmo.kiv_downloader.json)
    endif()
endfunction()
kiv_install_host_manifest(chromium ${KIV_CHROMIUM_HOSTS_DIR})
kiv_install_host_manifest(firefox ${KIV_FIREFOX_HOSTS_DIR})

# Debian wants these two beside every package's files.
install(FILES ${kiv_packaging}/debian/copyright DESTINATION share/doc/kiv-downloader)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND gzip -9 -n -c ${kiv_packaging}/debian/changelog > ${CMAKE_BINARY_DIR}/doc/changelog.gz
    DEPENDS ${kiv_packaging}/debian/changelog VERBATIM)
add_custom_target(kiv_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION share/doc/kiv-downloader)
# What lintian reports wrongly of the package, each with its reason.
if(KIV_PACKAGE_DEB)
    install(FILES ${kiv_packaging}/debian/lintian-overrides DESTINATION share/lintian/overrides
            RENAME kiv-downloader)
endif()
