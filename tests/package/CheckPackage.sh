#!/usr/bin/env bash
# Unpacks the built Debian package into a throw-away root and checks that the files are where
# its menu entry and its commands say. The package is built once, by scripts/package; this test
# takes it from $KIV_DEB, or else from the build tree ($KIV_BUILD_DIR), and is skipped without one.
set -uo pipefail
SKIP=77
deb=${KIV_DEB:-}
if [ -z "$deb" ]; then
  for candidate in "${KIV_BUILD_DIR:-.}"/kiv_*_amd64.deb; do
    [ -f "$candidate" ] && deb=$candidate
  done
fi
if [ -z "$deb" ]; then
  echo "SKIPPED: no package was built; run scripts/package BUILD_DIR (scripts/test does) or set KIV_DEB"
  exit $SKIP
fi
echo "checking $deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The file a path in the installed system is, inside the root: links followed as the installed
# system would follow them.
resolve() {
  local path=$1 hops=0
  while [ -L "$root$path" ] && [ $hops -lt 8 ]; do
    local target
    target=$(readlink "$root$path")
    case "$target" in
      /*) path=$target ;;
      *) path=$(dirname "$path")/$target ;;
    esac
    hops=$((hops + 1))
  done
  echo "$path"
}

is_program() { [ -f "$root$1" ] && [ -x "$root$1" ] && file -b "$root$1" | grep -q '^ELF'; }

# The commands: each link in /usr/bin reaches a program in the program folder.
programs=(kiv kiv-read kiv-encoder-sim)
[ -e "$root/opt/kiv/kiv-db" ] && programs+=(kiv-db)
for program in "${programs[@]}"; do
  link=/usr/bin/$program
  if [ ! -L "$root$link" ]; then
    fail "$link is not a link"
    continue
  fi
  target=$(resolve "$link")
  [ "$target" = "/opt/kiv/$program" ] || fail "$link leads to $target, not /opt/kiv/$program"
  is_program "$target" || fail "$link leads to $target, which is no program"
done
for link in "$root"/usr/bin/*; do
  name=$(basename "$link")
  printf '%s\n' "${programs[@]}" | grep -qx "$name" || fail "unexpected command /usr/bin/$name"
done

# The menu entry: its command is one of the links, its icon is in the hicolor theme.
desktop=$root/usr/share/applications/kiv.desktop
if [ ! -f "$desktop" ]; then
  fail "no /usr/share/applications/kiv.desktop"
else
  key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  [ "$(key Type)" = Application ] || fail "desktop entry: Type is not Application"
  [ -n "$(key Name)" ] || fail "desktop entry: no Name"
  [ -n "$(key Comment)" ] || fail "desktop entry: no Comment"
  [ "$(key Categories)" = "Utility;Engineering;" ] || fail "desktop entry: Categories are '$(key Categories)'"
  exec_command=$(key Exec | awk '{print $1}')
  case "$exec_command" in
    /*) exec_path=$exec_command ;;
    *) exec_path=/usr/bin/$exec_command ;;
  esac
  is_program "$(resolve "$exec_path")" || fail "desktop entry: Exec=$exec_command is not an installed program"
  icon=$(key Icon)
  found=$(ls "$root"/usr/share/icons/hicolor/256x256/apps/"$icon".png \
             "$root"/usr/share/icons/hicolor/scalable/apps/"$icon".svg 2>/dev/null | head -n 1)
  if [ -z "$found" ]; then
    fail "desktop entry: no icon '$icon' in hicolor (256x256 or scalable)"
  elif [[ $found == *.png ]]; then
    file -b "$found" | grep -q '256 x 256' || fail "icon $found is not 256 by 256 pixels"
  fi
fi

# The program folder: the help the program opens, the shipped language files, a working program.
for help in HelpFiles/KivHelp.html HelpFiles/KivHome.html; do
  [ -f "$root/opt/kiv/$help" ] || fail "no /opt/kiv/$help"
done
if [ -n "${KIV_SOURCE_DIR:-}" ]; then
  for shipped in "$KIV_SOURCE_DIR"/resources/lang/*.txt "$KIV_SOURCE_DIR"/resources/lang/lang.lst; do
    [ -f "$shipped" ] || continue
    cmp -s "$shipped" "$root/opt/kiv/$(basename "$shipped")" || fail "shipped $(basename "$shipped") is not in /opt/kiv as it is in the sources"
  done
fi
usage=$("$root/opt/kiv/kiv-read" 2>&1)
[ $? -eq 2 ] && grep -q '^usage: kiv-read' <<<"$usage" || fail "the packaged kiv-read does not run: $usage"
[ -f "$root/usr/share/doc/kiv/copyright" ] || fail "no copyright file"

# Nothing of the tests, benchmarks or galleries.
extras=$(find "$root" -name 'kiv_tests_*' -o -name '*gallery*' -o -name '*bench*' -o -name '*.a')
[ -z "$extras" ] || fail "test or gallery files in the package: $extras"

# Dependencies: the linked libraries, and the database driver loaded at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6sql6-sqlite libqt6sql6-psql libpq5 libqt6widgets6 libqt6core6; do
  grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

[ $failures -eq 0 ] || exit 1
echo "package layout ok"
