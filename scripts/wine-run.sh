#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix; CTest's emulator for the
# MinGW tree. Exit code is the program's.
. "$(dirname "$0")/wine-env.sh"
exec wine "$@"
