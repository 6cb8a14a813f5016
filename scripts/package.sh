#!/usr/bin/env bash
# Builds the Debian package (Release, Debian's hardening flags, stripped),
# checks its contents and reports what lintian says. With --install (or on CI,
# CI=true: a throwaway machine) it then installs the package with apt-get,
# runs the installed program on a page served by nginx, and purges it again.
# Never installs anything on a developer's machine unless asked.
# Usage: scripts/package.sh [--install]
set -euo pipefail
# Debian keeps nginx, useradd, ldconfig and the like in the sbin folders,
# which a normal user's PATH lacks.
export PATH="$PATH:/usr/sbin:/sbin"
cd "$(dirname "$0")/.."
root=$PWD
install=0
if [ "${1:-}" = "--install" ] || [ "${CI:-}" = "true" ]; then install=1; fi
build="$root/build/package"

# Debian's own compiler and linker flags (-O2, fortify, stack protector,
# relro, bind-now), as a package built by dpkg-buildpackage would get them;
# without -g, which the stripping would throw away: it only costs build time.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DKIV_BENCH=OFF -DKIV_PACKAGE_DEB=ON >/dev/null
# Only what the package holds, not the tests.
ninja -C "$build" -j"$(nproc)" kiv-downloader kivtool kivdownloadcontrol kiv_assistant_standin \
    kivwindowfrontend kiv_man_pages kiv_changelog kiv_firefox_extension >/dev/null
(cd "$build" && cpack -G DEB >"$build/cpack.log") || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/kiv-downloader_*.deb)
bash "$root/packaging/tidy-deb.sh" "$deb" "$build/tidy"
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

fail() { echo "FAIL: $*" >&2; exit 1; }
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$build/contents"
for path in /usr/bin/kiv-downloader /usr/bin/kivtool \
    /usr/lib/kiv-downloader/kivdownloadcontrol.so /usr/lib/kiv-downloader/kivdownloadcontrol \
    /usr/lib/kiv-downloader/kivwindowfrontend.so \
    /usr/share/man/man1/kiv-downloader.1.gz /usr/share/man/man1/kivtool.1.gz \
    /usr/share/applications/kiv-downloader.desktop \
    /usr/share/icons/hicolor/scalable/apps/kiv-downloader.svg \
    /usr/share/bash-completion/completions/kiv-downloader \
    /usr/share/doc/kiv-downloader/copyright /usr/share/doc/kiv-downloader/changelog.gz \
    /usr/share/kiv-downloader/browser/manifest.json /usr/share/kiv-downloader/firefox/manifest.json \
    /etc/chromium/native-messaging-hosts/com.velmo.kiv_downloader.json \
    /usr/lib/mozilla/native-messaging-hosts/com.velmo.kiv_downloader.json; do
    grep -qx -- "$path" "$build/contents" || fail "the package lacks $path"
done
# The libraries the programs link come from the binaries themselves.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libcurl4 libqt6widgets6 libgumbo1 libseccomp2 fonts-noto-cjk qt6-translations-l10n libqt6svg6; do
    grep -qw -- "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
# Crypto++ is linked from its static archive.
! grep -q 'libcrypto++' <<<"$depends" || fail "Depends names the shared Crypto++: $depends"

echo "== lintian =="
# Clean at lintian's default level, enforced; the pedantic tags are shown
# for a reader to judge (packaging/lintian-notes.md says why each stays).
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
lintian --pedantic --display-info --fail-on none "$deb" || true

if [ $install -eq 0 ]; then
    echo "Not installed (pass --install, or CI=true, to install and run it)."
    exit 0
fi
echo "== apt-get install of the package =="
export DEBIAN_FRONTEND=noninteractive
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
$as_root apt-get install -y -qq --no-install-recommends "$deb" >"$build/apt.log" 2>&1 ||
    { cat "$build/apt.log" >&2; fail "apt-get install"; }
trap '$as_root apt-get purge -y -qq kiv-downloader >/dev/null 2>&1 || true' EXIT
bash tests/install/installed_package.sh /usr/bin/kiv-downloader
$as_root apt-get purge -y -qq kiv-downloader >"$build/apt.log" 2>&1 ||
    { cat "$build/apt.log" >&2; fail "apt-get purge"; }
trap - EXIT
dpkg-query -W -f='${Status}' kiv-downloader 2>/dev/null | grep -q "install ok installed" &&
    fail "kiv-downloader is still installed"
for path in /usr/bin/kiv-downloader /usr/bin/kivtool /usr/lib/kiv-downloader \
    /usr/share/kiv-downloader /etc/chromium/native-messaging-hosts/com.velmo.kiv_downloader.json \
    /usr/lib/mozilla/native-messaging-hosts/com.velmo.kiv_downloader.json; do
    [ ! -e "$path" ] || fail "$path is left after the purge"
done
echo "The package installed, ran a page and was purged."
