#!/usr/bin/env bash
# Cross-builds a static Assimp for Windows with mingw-w64 from Debian's own source packages, and prints the
# install prefix on its last line (progress goes to stderr). Debian's Assimp tarball leaves out its bundled
# zlib, minizip, utf8cpp and stb: zlib and minizip are built from Debian's zlib source with the same
# compiler, utf8cpp and stb are Debian's header packages. The install is cached outside the clone,
# keyed by the version of Debian's Assimp (the one the Linux build uses), so a machine builds it once:
#   ${XDG_CACHE_HOME:-~/.cache}/d3dwin/assimp-mingw-<version>
# Sources come through a package source list of this script's own; the system's lists stay untouched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

say() { echo "windows-assimp: $*" >&2; }
fail() { say "$*"; exit 1; }

version=$(dpkg-query -W -f='${source:Version}' libassimp-dev 2>/dev/null) \
  || fail "libassimp-dev is not installed (scripts/install-deps.sh installs it)"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/d3dwin
prefix=$cache/assimp-mingw-$version
mkdir -p "$cache"

# One build per machine at a time; a second caller waits and then finds the finished install.
exec 9>"$cache/assimp-mingw.lock"
flock 9
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

triplet=x86_64-w64-mingw32
cc=$triplet-gcc-posix
command -v "$cc" >/dev/null || fail "$cc not found (package g++-mingw-w64-x86-64)"
[[ -f /usr/include/utf8cpp/utf8.h ]] || fail "utf8cpp headers not found (package libutfcpp-dev)"
[[ -f /usr/include/stb/stb_image.h ]] || fail "stb headers not found (package libstb-dev)"

work=$(mktemp -d "$cache/assimp-mingw-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix/include/minizip" "$prefix/lib/pkgconfig"
jobs=${WINDOWS_BUILD_JOBS:-$(nproc)}

fetch_sources() {
  say "fetching the assimp $version and zlib source packages"
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  echo "deb-src http://deb.debian.org/debian $codename main" >"$work/apt/sources.list"
  local apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o APT::Sandbox::User="$(id -un)")
  (cd "$work" && apt-get "${apt_options[@]}" update -qq && apt-get "${apt_options[@]}" source -qq --only-source \
    "assimp=$version" zlib) >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get source failed"; }
  # Debian links its Assimp against its own Draco package, which has no Windows build; the importer
  # reads glTF without Draco-compressed meshes then, as Assimp upstream does by default.
  (cd "$work"/assimp-*/ && patch -R -p1 -s <debian/patches/use-system-libdraco.patch)
}

# Compiles the given C files with the cross compiler into one static library.
static_library() {
  local name=$1
  shift
  local objects=() source
  mkdir -p "$work/obj/$name"
  for source in "$@"; do
    objects+=("$work/obj/$name/$(basename "${source%.c}").o")
    "$cc" -O2 -w "${extra_cflags[@]}" -c "$source" -o "${objects[-1]}"
  done
  $triplet-ar rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

build_zlib_and_minizip() {
  say "building zlib and minizip"
  local zlib
  zlib=$(echo "$work"/zlib-*/)
  local zlib_version
  zlib_version=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$zlib/zlib.h")
  extra_cflags=()
  static_library z "$zlib"/*.c
  cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"
  local minizip=$zlib/contrib/minizip
  extra_cflags=(-I"$zlib")
  static_library minizip "$minizip"/{ioapi,iowin32,unzip,zip}.c
  cp "$minizip"/{ioapi,iowin32,unzip,zip,crypt}.h "$prefix/include/minizip/"
  cat >"$prefix/lib/pkgconfig/zlib.pc" <<EOF
prefix=$prefix
Name: zlib
Description: zlib compression library
Version: $zlib_version
Libs: -L\${prefix}/lib -lz
Cflags: -I\${prefix}/include
EOF
  cat >"$prefix/lib/pkgconfig/minizip.pc" <<EOF
prefix=$prefix
Name: minizip
Description: Minizip zip file manipulation library
Version: $zlib_version
Requires: zlib
Libs: -L\${prefix}/lib -lminizip
Cflags: -I\${prefix}/include/minizip
EOF
}

build_assimp() {
  say "building assimp (FBX, glTF, OBJ, COLLADA, PLY, STL, 3DS importers; static)"
  # stb is included as "stb/stb_image.h"; a folder holding only that keeps the rest of /usr/include, whose
  # C library headers would shadow mingw-w64's, out of the search path.
  mkdir -p "$work/headers"
  ln -s /usr/include/stb "$work/headers/stb"
  local importers=(FBX GLTF OBJ COLLADA PLY STL 3DS) importer_options=() importer
  for importer in "${importers[@]}"; do importer_options+=(-DASSIMP_BUILD_${importer}_IMPORTER=ON); done
  PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -G Ninja -S "$(echo "$work"/assimp-*/)" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_FLAGS="-w" -DCMAKE_CXX_FLAGS="-w -I$work/headers -I/usr/include/utf8cpp" \
    -DBUILD_SHARED_LIBS=OFF -DASSIMP_BUILD_ZLIB=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DASSIMP_NO_EXPORT=ON -DASSIMP_BUILD_ASSIMP_TOOLS=OFF \
    -DASSIMP_BUILD_SAMPLES=OFF -DASSIMP_BUILD_TESTS=OFF -DASSIMP_WARNINGS_AS_ERRORS=OFF \
    -DASSIMP_INSTALL_PDB=OFF -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF "${importer_options[@]}" \
    -DASSIMP_IGNORE_GIT_HASH=ON >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "assimp configure failed"; }
  cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log" >&2; fail "assimp build failed"; }
  cmake --install "$work/build" >/dev/null
}

fetch_sources
build_zlib_and_minizip
build_assimp
touch "$prefix/.complete"
say "installed in $prefix"
echo "$prefix"
