#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The characters of Unicode's bidirectional classes that can turn text around a name (R, AL, AN
# and the controls of direction) or end a paragraph (B), from Unicode's own UnicodeData.txt, as
# C++ initialisers {first, last, "class"} in the file's order.
#
#   tests/fuzz/bidi_classes.sh /usr/share/unicode/UnicodeData.txt OUTPUT
set -eu
awk -F';' '$5 ~ /^(R|AL|AN|LRE|RLE|LRO|RLO|PDF|LRI|RLI|FSI|PDI|B)$/ {
    if ($2 ~ /, First>$/) { first = $1; next }
    printf "{0x%s, 0x%s, \"%s\"},\n", ($2 ~ /, Last>$/ ? first : $1), $1, $5
}' "$1" >"$2.part"
test -s "$2.part"
mv "$2.part" "$2"
