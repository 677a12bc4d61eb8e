# Fetches Debian's source packages for the Windows builds, sourced by
# scripts/windows/build-libraries.sh and build-fbclient.sh:
#
#   source debian-source.sh WORKDIR
#   folder=$(debian_source PACKAGE)
#
# apt-get runs with a sources list of its own in WORKDIR/apt (a deb-src line
# for the mirror and suite that the system's own lists name), so the
# system's apt configuration is left as it is; the lists are updated once per
# script. debian_source unpacks PACKAGE, with Debian's patches applied, into
# WORKDIR/src/PACKAGE (anew) and prints the folder.

debian_source_work="$(mkdir -p "$1/apt/lists/partial" "$1/src" && cd "$1" && pwd)"

# The mirror and suite of the system's Debian sources (deb822 or one-line
# form); Debian's standard mirror and bookworm when neither names one.
debian_source_uri="" debian_source_suite=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  debian_source_uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  debian_source_suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$debian_source_uri" ] && [ -f /etc/apt/sources.list ]; then
  read -r debian_source_uri debian_source_suite \
    < <(awk '$1 == "deb" && $2 !~ /security/ {print $2, $3; exit}' /etc/apt/sources.list) || true
fi
echo "deb-src ${debian_source_uri:-http://deb.debian.org/debian} ${debian_source_suite:-bookworm} main" \
  >"$debian_source_work/apt/sources.list"
debian_source_apt=(-o "Dir::Etc::SourceList=$debian_source_work/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o "Dir::State::Lists=$debian_source_work/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
debian_source_updated=0

debian_source() {
  if [ "$debian_source_updated" = 0 ]; then
    apt-get "${debian_source_apt[@]}" update -q >&2
    debian_source_updated=1
  fi
  rm -rf "$debian_source_work/src/$1"
  mkdir -p "$debian_source_work/src/$1"
  (cd "$debian_source_work/src/$1" && apt-get "${debian_source_apt[@]}" source -q "$1" >&2)
  find "$debian_source_work/src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1
}
