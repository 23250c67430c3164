#!/bin/sh
# damage-zip.sh PACKAGE COPY: COPY is PACKAGE with one byte of the module's
# deflated data changed, 2000 bytes into it.
set -eu
cp "$1" "$2"
name=MoravelDocklet/MoravelDocklet.dll
# The name's first appearance ends the module's local header, which has no
# extra field (zip -X); its data follows.
at=$(grep -obaF "$name" "$2" | head -n 1 | cut -d: -f1)
at=$((at + ${#name} + 2000))
byte=$(od -An -tu1 -j "$at" -N 1 "$2" | tr -d ' ')
printf "\\$(printf %03o $((byte ^ 0x55)))" | dd of="$2" bs=1 seek="$at" conv=notrunc status=none
