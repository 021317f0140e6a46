# Sourced by the cross-build's scripts: Debian source packages of the release this machine runs.
#   debian_sources_ready   adds a deb-src entry when apt has none (same mirror and release as the
#                          machine's binary packages) and refreshes the package lists
#   fetch_source PACKAGE   downloads PACKAGE's source into the current folder
# Exit status 3 says the sources could not be fetched (no package registry reachable): the one
# failure that lets CI skip the Windows checks instead of failing.
SUDO=${SUDO-$([ "$(id -u)" = 0 ] || echo sudo)}

debian_sources_ready() {
  apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$' && return 0
  local list=/etc/apt/sources.list.d/ronvalo-deb-src.sources mirror codename
  mirror=$(grep -h -E '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' | grep -v -i security | head -1)
  [ -n "$mirror" ] || mirror=$(grep -h -E '^deb ' /etc/apt/sources.list 2>/dev/null | awk '{print $2}' | head -1)
  [ -n "$mirror" ] || { echo "windows build: no Debian mirror in this machine's apt sources" >&2; exit 1; }
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$codename" | $SUDO tee "$list" >/dev/null
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq || {
    echo "windows build: the package lists of $mirror could not be fetched" >&2; exit 3; }
}

fetch_source() {
  apt-get source -qq --download-only "$1" || {
    echo "windows build: the source package $1 could not be fetched" >&2; exit 3; }
}

# Unpacks PACKAGE's source (Debian's patches applied) into FOLDER of the current folder, once.
unpack_source() {
  [ -d "$2" ] && return 0
  fetch_source "$1"
  local dsc
  dsc=$(ls -t "$1"_*.dsc | head -1)
  rm -rf "$2.tmp"
  dpkg-source -x "$dsc" "$2.tmp" >/dev/null
  mv "$2.tmp" "$2"
}
