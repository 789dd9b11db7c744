# Copies a package with its first byte inverted: the first record no longer inflates.
# Usage: damage-package.py IN OUT
import sys

data = bytearray(open(sys.argv[1], "rb").read())
data[0] ^= 0xFF
open(sys.argv[2], "wb").write(data)
