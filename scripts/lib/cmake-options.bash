# Sourced by the build scripts (needs $root): sets `cmake_options` to what
# every configure of this checkout passes.
# A compiler cache, when the machine has one, makes rebuilds in other
# checkouts of the same sources cheap: paths are made relative to the
# checkout and the build folder's own path is left out of the hash.
# With KLICE_WERROR=1 (as CI sets it) compiler warnings are errors.
cmake_options=(-G Ninja)
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
  cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ "${KLICE_WERROR:-0}" = 1 ]; then
  cmake_options+=(-DKLICE_WERROR=ON)
else
  cmake_options+=(-DKLICE_WERROR=OFF)
fi
