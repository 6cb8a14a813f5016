# cpack -G DEB: the Debian 12 package of the installed tree (cmake/Install.cmake).
# Build it from a Release tree configured with -DKIV_PACKAGE_DEB=ON.
set(KIV_PACKAGE_MAINTAINER
    "Kiv Downloader maintainers <maintainers@users.noreply.c-seed-3efdb933.example>"
    CACHE STRING "The package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiv-downloader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmo Co.,Ltd.")
set(CPACK_PACKAGE_CONTACT ${KIV_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KIV_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download controller that a web page configures")
# CPack puts the summary in front as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A web page embeds the Kiv Downloader control and names the files to fetch,
with their SHA-256 hashes. The control asks where to save, resumes files
already there, downloads over HTTP(S) with byte-range resume, retries and
stall time-outs, verifies every file before it appears, and shows the
progress in a window or in the terminal.
.
kiv-downloader runs the control of a page given as a file or a URL, and
hosts it for the browser extension through native messaging; kivtool
answers support questions with the control's own code.")
# The libraries come from the binaries themselves; the fonts are what the
# dialogs draw Latin and Japanese text with; Qt's translations put its own
# dialog parts (the folder dialog's) in the user's language; the SVG icon
# engine draws the window icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-noto-cjk, qt6-translations-l10n, libqt6svg6")
# xdg-open opens the destination folder at the end of a run, sensible-browser
# the dialog's help link; without them the run only skips those steps.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, sensible-utils")
# The module and the window front end's library lie in a private folder, out
# of the loader's search path, yet CPack adds ldconfig calls for any shared
# object below /usr/lib (lintian: maintscript-calls-ldconfig); they are harmless.
get_property(kiv_conffiles GLOBAL PROPERTY kiv_conffiles)
if(kiv_conffiles)
    list(JOIN kiv_conffiles "\n" kiv_conffile_lines)
    file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${kiv_conffile_lines}\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
endif()
include(CPack)
