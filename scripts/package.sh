#!/usr/bin/env bash
# Builds the Release tree for the /usr prefix and the Debian package from it:
#   scripts/package.sh        -> build/package/pikoro_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/package -j2 --target pikoro pikoro_content pikoro_icons
(cd build/package && cpack -G DEB)
deb=$(ls build/package/*.deb)
# Debian looks for the licence here; a package without it must not be handed out.
listing=$(dpkg-deb -c "$deb") # read whole: grep -q leaving early would break the pipe
grep -q './usr/share/doc/pikoro/copyright$' <<<"$listing" || {
  echo "package.sh: $deb carries no copyright file" >&2
  exit 1
}
echo "$deb"
