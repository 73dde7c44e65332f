#!/usr/bin/env bash
# `cmake --install` into a temporary prefix puts exactly Nuvra's files there,
# the names the screen-saver daemons use lead to the program, and the data
# files are well-formed and agree with each other: every flag XScreenSaver's
# panel can pass is in the manual page, with the same values and ranges.
#   install_test.sh <cmake> <build dir>
set -euo pipefail
cmake=$1
build_dir=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

"$cmake" --install "$build_dir" --prefix "$prefix" >"$work/install.log"

# --- the files, no more and no fewer ---------------------------------------
expected='bin/nuvra
libexec/xscreensaver/nuvra
libexec/xsecurelock/saver_nuvra
share/applications/nuvra-settings.desktop
share/applications/screensavers/nuvra.desktop
share/doc/nuvra/README.md
share/man/man6/nuvra.6
share/xscreensaver/config/nuvra.xml'
got=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
if [[ $got != "$expected" ]]; then
  fail "installed files differ (- expected, + got):"
  diff <(echo "$expected") <(echo "$got") | grep '^[<>]' | sed 's/^</  -/; s/^>/  +/'
fi

# --- the daemons' names for the program --------------------------------------
hack=$prefix/libexec/xscreensaver/nuvra
if [[ ! -L $hack ]]; then
  fail "libexec/xscreensaver/nuvra: expected a symbolic link, got $(stat -c %F "$hack" 2>/dev/null || echo nothing)"
elif [[ $(readlink "$hack") = /* ]]; then
  fail "libexec/xscreensaver/nuvra: expected a relative link, got $(readlink "$hack")"
elif [[ $(readlink -f "$hack") != "$(readlink -f "$prefix/bin/nuvra")" ]]; then
  fail "libexec/xscreensaver/nuvra: expected to lead to bin/nuvra, got $(readlink -f "$hack")"
fi
for program in bin/nuvra libexec/xsecurelock/saver_nuvra; do
  [[ -x $prefix/$program ]] || fail "$program: expected executable"
done

# What each name runs: a stand-in program that prints its arguments. The
# daemons start them from anywhere, so run them from elsewhere.
stand_in_prefix=$work/stand-in
cp -a "$prefix" "$stand_in_prefix"
printf '#!/bin/sh\necho "ran with: $*"\n' >"$stand_in_prefix/bin/nuvra"
chmod +x "$stand_in_prefix/bin/nuvra"
check_runs() {  # <installed path> <expected output>
  local got_output
  got_output=$(cd / && "$stand_in_prefix/$1" 2>&1) || true
  [[ $got_output == "$2" ]] || fail "$1: expected \"$2\", got \"$got_output\""
}
check_runs libexec/xscreensaver/nuvra "ran with: "
check_runs libexec/xsecurelock/saver_nuvra "ran with: --root"

# A packager stages the install under DESTDIR; the links must not point into
# the staging folder.
DESTDIR=$work/stage "$cmake" --install "$build_dir" --prefix /usr >/dev/null
staged_hack=$work/stage/usr/libexec/xscreensaver/nuvra
if [[ $(readlink -f "$staged_hack") != "$work/stage/usr/bin/nuvra" ]]; then
  fail "staged under DESTDIR, libexec/xscreensaver/nuvra: expected to lead to $work/stage/usr/bin/nuvra, got $(readlink -f "$staged_hack")"
fi

# --- the manual page ---------------------------------------------------------
manual=$prefix/share/man/man6/nuvra.6
warnings=$(LC_ALL=C groff -t -man -ww -z "$manual" 2>&1) || true
[[ -z $warnings ]] || fail "nuvra.6: groff warnings: $warnings"
warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$manual" 2>&1 >"$work/manual.txt") || true
[[ -z $warnings ]] || fail "nuvra.6: man warnings: $warnings"
manual_text=$(tr -s ' \n' '  ' <"$work/manual.txt")
for switch in /s /c /p /a --root -root --window-id XSCREENSAVER_WINDOW NUVRA_CDROM XDG_CONFIG_HOME \
              XDG_CACHE_HOME XDG_RUNTIME_DIR Nuvra.ini .cache/nuvra nuvra-*.lock 'EXIT STATUS' 'xscreensaver(1)'; do
  [[ $manual_text == *"$switch"* ]] || fail "nuvra.6: expected to mention $switch, it does not"
done

# --- XScreenSaver's description of the options -------------------------------
xml=$prefix/share/xscreensaver/config/nuvra.xml
xpath() { xmllint --xpath "$1" "$xml" 2>/dev/null || true; }
if ! xmllint --noout "$xml" 2>"$work/xmllint.log"; then
  fail "nuvra.xml is not well-formed: $(cat "$work/xmllint.log")"
else
  name=$(xpath 'string(/screensaver/@name)')
  [[ $name == nuvra ]] || fail "nuvra.xml: expected the program name nuvra, got \"$name\""
  command=$(xpath 'string(/screensaver/command/@arg)')
  [[ $command == --root ]] || fail "nuvra.xml: expected the command --root, got \"$command\""
  description=$(xpath 'string(/screensaver/_description)')
  [[ -n ${description//[[:space:]]/} ]] || fail "nuvra.xml: expected a description, got none"

  # Every flag the panel can pass is in the manual page's synopsis.
  synopsis=$(sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' "$work/manual.txt" | tr -s ' \n' '  ')
  mapfile -t args < <(xpath '//*[name()!="command"]/@arg' | sed -E 's/^ *arg="([^"]*)"/\1/')
  [[ ${#args[@]} -eq 5 ]] || fail "nuvra.xml: expected 5 flags with a value (folder, interval, speed, fps, music), got ${#args[@]}"
  for arg in "${args[@]}"; do
    flag=${arg%% *}
    [[ $synopsis == *"[$flag "* ]] || fail "nuvra.xml passes $flag, which the manual's synopsis lacks"
  done
  # A check box's flag is in the synopsis too.
  recursive=$(xpath 'string(//boolean[@id="recursive"]/@arg-set)')
  [[ $recursive == --recursive && $synopsis == *"[--recursive]"* ]] ||
    fail "nuvra.xml: expected a check box passing --recursive, in the manual's synopsis; got \"$recursive\""
  # Every value a select passes is one the manual lists for that flag.
  mapfile -t choices < <(xpath '//option/@arg-set' | sed -E 's/^ *arg-set="([^"]*)"/\1/')
  [[ ${#choices[@]} -eq 5 ]] || fail "nuvra.xml: expected 5 choices (2 orders, 3 placements), got ${#choices[@]}"
  for choice in "${choices[@]}"; do
    flag=${choice%% *} value=${choice#* }
    listed=$(grep -oE -- "\\[$flag [a-z|]+\\]" <<<"$synopsis" | tr -d '[]')
    [[ "|${listed#* }|" == *"|$value|"* ]] ||
      fail "nuvra.xml passes \"$choice\", the manual lists \"${listed:-nothing}\""
  done
  # A slider's range is the range the manual gives for its flag, and its
  # default lies inside it.
  for id in interval speed; do
    arg=$(xpath "string(//number[@id='$id']/@arg)")
    low=$(xpath "string(//number[@id='$id']/@low)")
    high=$(xpath "string(//number[@id='$id']/@high)")
    default=$(xpath "string(//number[@id='$id']/@default)")
    flag=${arg%% *}
    entry=$(sed -n "/^ *${flag} /,/^\$/p" "$work/manual.txt" | tr -s ' \n' '  ')
    [[ $entry == *"from $low to $high"* ]] ||
      fail "nuvra.xml: $flag slider runs from $low to $high, the manual says: \"$entry\""
    ((low <= default && default <= high)) || fail "nuvra.xml: $flag default $default lies outside $low..$high"
  done
fi

# --- the desktop entries -------------------------------------------------------
applications=$prefix/share/applications
for entry in nuvra-settings.desktop screensavers/nuvra.desktop; do
  desktop-file-validate "$applications/$entry" >"$work/validate.log" 2>&1 ||
    fail "$entry is not a valid desktop entry: $(grep -v 'hint:' "$work/validate.log")"
done
key() { sed -n "s/^$1=//p" "$2"; }
saver_entry=$applications/screensavers/nuvra.desktop
settings_entry=$applications/nuvra-settings.desktop
[[ $(key Exec "$saver_entry") == 'nuvra --root' ]] ||
  fail "screensavers/nuvra.desktop: expected Exec=nuvra --root, got Exec=$(key Exec "$saver_entry")"
[[ $(key Categories "$saver_entry") == *Screensaver\;* ]] ||
  fail "screensavers/nuvra.desktop: expected the Screensaver category, got $(key Categories "$saver_entry")"
[[ $(key Exec "$settings_entry") == 'nuvra /c' ]] ||
  fail "nuvra-settings.desktop: expected Exec=nuvra /c, got Exec=$(key Exec "$settings_entry")"
[[ $(key Categories "$settings_entry") != *Screensaver* ]] ||
  fail "nuvra-settings.desktop: the settings dialog is listed as a screen saver ($(key Categories "$settings_entry"))"

exit $status
