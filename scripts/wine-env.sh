# Sourced by every script that runs Windows code under wine.
#
# Some kernels are built without support for 32-bit programs: no 32-bit
# program starts there (the loader fails with "Exec format error"), wine's
# own 32-bit loader included. The wine launcher (/usr/bin/wine) still picks
# that loader whenever it is installed, and so do wineboot, winepath and the
# rest, which go through it: on such a machine nothing under wine would run,
# 64-bit programs included.
#
# velmora_wine_env DIR sets VELMORA_RUNS_32 to 1 where 32-bit programs run
# and to 0 where they cannot; in the second case it writes a launcher for
# the 64-bit loader alone into DIR and puts DIR first on PATH, so that
# `wine`, and every wine tool that calls it, starts 64-bit programs. 32-bit
# Windows code cannot run there at all: the callers build it and check it
# statically, and say plainly what they did not run.
velmora_wine_env() {
  local dir=$1 name
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export VELMORA_RUNS_32=1
    return 0
  fi
  export VELMORA_RUNS_32=0
  mkdir -p "$dir"
  for name in wine wine-stable; do
    printf '#!/bin/sh\n# wine, 64-bit loader only (this machine runs no 32-bit programs)\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$dir/$name"
    chmod +x "$dir/$name"
  done
  export PATH=$dir:$PATH WINELOADER=/usr/lib/wine/wine64
  case ":${VELMORA_WINE_NOTED:-}:" in *":$dir:"*) ;; *)
    echo "-- note: this machine's kernel runs no 32-bit programs (wine's 32-bit loader: \"Exec format error\");" \
      "32-bit Windows code is built and checked statically here, not run" >&2
    export VELMORA_WINE_NOTED=$dir ;;
  esac
}
