# What the release scripts share: the version, the time every release file carries,
# the names of the release files and how a Windows installer is made. Sourced; ROOT
# must name the repository.

# The project's one version number, from project(... VERSION ...) in CMakeLists.txt.
project_version() {
  sed -n 's/^project(TavrinoleOchrel VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

# The release files of version $1, as dist/ holds them, one a line.
release_files() {
  echo "tavrinole-ochrel_$1_$(dpkg --print-architecture).deb"
  echo "tavrinole-ochrel-$1-windows.zip"
  echo "tavrinole-ochrel-$1-x64.msi"
  echo "tavrinole-ochrel-$1-x86.msi"
}

# Exports SOURCE_DATE_EPOCH, the time written into every release file instead of the
# time of the build: the caller's, or the date of the changelog's latest entry, which is
# the same in every tree of a release, a git checkout or not.
use_release_epoch() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$ROOT/cmake/debian/changelog" -STimestamp) ||
      return 1
  fi
  export SOURCE_DATE_EPOCH
}

# make_msi x64|x86 BINDIR OUTPUT [VERSION]: the per-user installer of app/windows's
# WiX source, holding BINDIR's Tavrinole-Ochrel.exe and tavrinole-ochrel-cli.exe, as
# version VERSION (the project's by default). The same files always give the same
# bytes: the files carry SOURCE_DATE_EPOCH, and the codes wixl would draw at random
# are derived from everything the package holds.
make_msi() {
  local arch=$1 bin=$2 output=$3 version=${4:-$(project_version)} stage name
  local wxs="$ROOT/app/windows/tavrinole-ochrel.wxs"
  use_release_epoch
  stage=$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-msi.XXXXXX")
  # wixl finds the files a WiX source names beside the source.
  for name in "$bin/Tavrinole-Ochrel.exe" "$bin/tavrinole-ochrel-cli.exe" \
    "$ROOT/resources/tavrinole.ico" "$wxs"; do
    if [ ! -f "$name" ]; then
      rm -rf "$stage"
      echo "make_msi: $name is missing" >&2
      return 1
    fi
    cp "$name" "$stage/"
  done
  # The cabinet keeps each file's time.
  touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

  local digest upgrade_code product_code package_code
  digest=$( (echo "$arch $version" && cd "$stage" && LC_ALL=C sha256sum -- *) | sha256sum)
  upgrade_code=$(sed -n 's/.*define UpgradeCode = "\([0-9A-F-]*\)".*/\1/p' "$wxs")
  product_code=$(name_uuid "$upgrade_code" "product ${digest%% *}")
  package_code=$(name_uuid "$upgrade_code" "package ${digest%% *}")
  # wixl writes its summary times in local time, and msibuild reads them so.
  if ! (cd "$stage" && TZ=UTC wixl -a "$arch" -D Version="$version" \
    -D NextVersion="${version%.*}.$((${version##*.} + 1))" \
    -D ProductCode="$product_code" -o package.msi tavrinole-ochrel.wxs); then
    rm -rf "$stage"
    echo "make_msi: wixl failed on $wxs" >&2
    return 1
  fi
  # wixl takes no package code (it draws one) and stamps the summary with the time of
  # the run: both are set again, in the summary information as msitools reads it.
  local when
  when=$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%Y/%m/%d %H:%M:%S')
  msiinfo export "$stage/package.msi" _SummaryInformation |
    sed -e "s|^9\t.*|9\t{$package_code}\r|" \
      -e "s|^12\t.*|12\t$when\r|" -e "s|^13\t.*|13\t$when\r|" >"$stage/_SummaryInformation.idt"
  if ! (cd "$stage" && TZ=UTC msibuild package.msi -i _SummaryInformation.idt) ||
    ! msiinfo suminfo "$stage/package.msi" | grep -qx "Revision number (UUID): {$package_code}"; then
    rm -rf "$stage"
    echo "make_msi: msibuild could not set the package code and times of $output" >&2
    return 1
  fi
  mv "$stage/package.msi" "$output"
  rm -rf "$stage"
}

# name_uuid NAMESPACE NAME: the name-based (version 5) UUID of NAME, in capitals.
name_uuid() {
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$1" "$2"
}
