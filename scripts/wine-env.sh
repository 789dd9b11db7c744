# Sourced: the project's private Wine prefix and quiet Wine.
_stp_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${STP_WINEPREFIX:-$_stp_root/build/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset _stp_root
