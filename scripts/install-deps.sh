#!/usr/bin/env bash
# Installs every Debian and npm package the project needs; skips what is already there.
# Package lists live in scripts/packages/*.txt, one package a line, '#' starts a comment.
# "package @command" installs the package only when the command is not on the PATH yet (a machine
# whose Node.js came from elsewhere already has npm, and Debian's npm would conflict with it).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

wanted=()
for list in "$here"/packages/*.txt; do
  while read -r line; do
    line="${line%%#*}"
    line="$(echo "$line" | xargs)"
    [ -n "$line" ] && wanted+=("$line")
  done <"$list"
done

missing=()
for entry in "${wanted[@]}"; do
  package="${entry%% *}"
  if [[ "$entry" == *" @"* ]]; then
    command -v "${entry##* @}" >/dev/null 2>&1 && continue
  fi
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' && continue
  [[ " ${missing[*]:-} " == *" $package "* ]] || missing+=("$package")
done

# Some packages (the 32-bit Wine loader) need the i386 architecture.
if printf '%s\n' "${missing[@]:-}" | grep -q ':i386$'; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm packages of the web client and its browser tests.
if [ -f "$here/../client/web/package.json" ]; then
  if [ ! -d "$here/../client/web/node_modules" ] || [ "$here/../client/web/package.json" -nt "$here/../client/web/node_modules" ]; then
    (cd "$here/../client/web" && npm ci --no-audit --no-fund --loglevel=error 2>/dev/null || npm install --no-audit --no-fund --loglevel=error)
    touch "$here/../client/web/node_modules"
  fi
fi
