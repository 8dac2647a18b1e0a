#!/usr/bin/env bash
# Checks that the install and the Debian package put every file where a desktop and udev look for
# it, and nothing else.
#
#   packaging_test.sh install|deb|desktop-entry BUILD_DIR SOURCE_DIR VERSION WORK_DIR
#
# install: `cmake --install` into a scratch DESTDIR with prefix /usr, then the files, the icons'
# sizes, the desktop entry's Exec and Icon against what was installed, the installed program.
# deb: `cpack -G DEB`, then the package's fields, dependencies, files and udev scripts.
# desktop-entry: desktop-file-validate on the entry; skipped (77) where it is not installed.
# Single-quoted text here is sh code to run; functions run through check().
# shellcheck disable=SC2016,SC2317
set -uo pipefail
mode=$1 build=$2 source=$3 version=$4 work=$5

passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}
finish() {
  echo "$mode: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

sizes=(16 22 24 32 48 64 128 256)
# Every file under the prefix, relative to it.
expected_files() {
  {
    echo bin/zbk-utility
    echo share/applications/zbk-utility.desktop
    for s in "${sizes[@]}"; do echo "share/icons/hicolor/${s}x${s}/apps/zbk-utility.png"; done
    echo share/icons/hicolor/scalable/apps/zbk-utility.svg
    echo lib/udev/rules.d/70-zbk.rules
  } | LC_ALL=C sort
}

# Width and height of a PNG from its header: "WxH", or nothing when it is no PNG.
png_size() {
  local magic
  magic=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || return 0
  local w h
  w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
  h=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
  echo "${w}x${h}"
}

desktop_key() { sed -n "s/^$1=//p" "$2" | head -1; }

rm -rf "${work:?}/${mode:?}"
mkdir -p "$work/$mode"
cd "$work/$mode" || exit 1

case "$mode" in
  install)
    if ! DESTDIR="$PWD/root" cmake --install "$build" --prefix /usr >install.log 2>&1; then
      cat install.log
      echo "cmake --install failed"
      exit 1
    fi
    root=$PWD/root/usr
    # Nothing may land outside the prefix.
    check "everything under /usr" [ "$(ls -A root)" = usr ]
    actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
    if ! check "the installed files" [ "$actual" = "$(expected_files)" ]; then
      diff <(expected_files) <(echo "$actual")
    fi

    check "the program is executable" [ -x "$root/bin/zbk-utility" ]
    for s in "${sizes[@]}"; do
      png=$root/share/icons/hicolor/${s}x${s}/apps/zbk-utility.png
      check "icon of ${s}x${s} is a PNG of that size" [ "$(png_size "$png")" = "${s}x${s}" ]
    done
    svg=$root/share/icons/hicolor/scalable/apps/zbk-utility.svg
    check "the scalable icon is an SVG" grep -q '<svg .*viewBox="0 0 256 256"' "$svg"
    if command -v xmllint >/dev/null; then
      check "the scalable icon is well-formed XML" xmllint --noout "$svg"
    fi
    check "the udev rule is installed as written" \
      cmp -s "$root/lib/udev/rules.d/70-zbk.rules" "$source/packaging/linux/70-zbk.rules"

    # The desktop finds the program on PATH by Exec and the icon in hicolor by Icon.
    entry=$root/share/applications/zbk-utility.desktop
    exec_line=$(desktop_key Exec "$entry")
    icon=$(desktop_key Icon "$entry")
    check "Exec names the installed program" [ -x "$root/bin/${exec_line%% *}" ]
    check "Icon is a bare name" [ -n "$icon" -a "${icon#*/}" = "$icon" ]
    for s in "${sizes[@]}"; do
      check "Icon $icon at ${s}x${s}" [ -f "$root/share/icons/hicolor/${s}x${s}/apps/$icon.png" ]
    done
    check "Icon $icon scalable" [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ]

    # The installed program runs, and tells the version the package carries.
    program_version=$("$root/bin/zbk-utility" --version)
    program_version=${program_version#zbk-utility }
    same_version() {
      [ -n "$program_version" ] && [[ $version == "$program_version" || $version == "$program_version".* ]]
    }
    check "--version ($program_version) agrees with the package version ($version)" same_version
    check "the installed program draws its window" env QT_QPA_PLATFORM=offscreen \
      "$root/bin/zbk-utility" --simulate --screenshot "$PWD/window.png"
    check "the window's picture is a PNG" [ -n "$(png_size window.png)" ]
    finish
    ;;

  deb)
    if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$PWD" >cpack.log 2>&1; then
      cat cpack.log
      echo "cpack failed"
      exit 1
    fi
    arch=$(dpkg --print-architecture)
    deb=$PWD/zbk-utility_${version}_${arch}.deb
    if [ ! -f "$deb" ]; then
      ls
      echo "no $deb"
      exit 1
    fi

    field() { dpkg-deb -f "$deb" "$1"; }
    check "Package" [ "$(field Package)" = zbk-utility ]
    check "Version" [ "$(field Version)" = "$version" ]
    check "Architecture" [ "$(field Architecture)" = "$arch" ]
    check "Section" [ "$(field Section)" = electronics ]
    check "Maintainer is a name and an address" \
      grep -Eq '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' <<<"$(field Maintainer)"
    check "Description" [ -n "$(field Description)" ]
    depends=$(field Depends)
    echo "Depends: $depends"
    # The libraries the program links, each with the least version it needs.
    for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
      check "depends on $lib" grep -Eq "(^|, )${lib//+/\\+} \(>= [^)]+\)" <<<"$depends"
    done

    # The files: what the install puts under /usr, owned by root, with the usual modes.
    listing=$(dpkg-deb -c "$deb")
    files=$(awk '$1 ~ /^-/ { print $NF }' <<<"$listing" | sed 's|^\./usr/||' | LC_ALL=C sort)
    if ! check "the package's files" [ "$files" = "$(expected_files)" ]; then
      diff <(expected_files) <(echo "$files")
    fi
    check "nothing outside /usr" \
      [ -z "$(awk '{ print $NF }' <<<"$listing" | grep -Ev '^\./(usr(/.*)?)?$')" ]
    check "owned by root" [ -z "$(awk '$2 != "root/root"' <<<"$listing")" ]
    check "the program is 0755" grep -Eq '^-rwxr-xr-x .* \./usr/bin/zbk-utility$' <<<"$listing"
    check "the other files are 0644" \
      [ -z "$(awk '$1 ~ /^-/ && $NF !~ /bin\/zbk-utility$/ && $1 != "-rw-r--r--"' <<<"$listing")" ]

    dpkg-deb -x "$deb" contents
    check "the packaged program is stripped" \
      [ -z "$(readelf -S --wide contents/usr/bin/zbk-utility | grep -E '\.debug_|\.symtab')" ]

    # The udev scripts: executable, valid sh, they call udevadm where udev runs (/run/udev) and
    # only there, and never fail the install. A fake udevadm on PATH records its calls. Each script runs
    # in a mount namespace of its own over an empty /run, with and without /run/udev; where no
    # namespace can be made, only the case this machine is in is checked.
    dpkg-deb -e "$deb" control
    # fake0 succeeds; fake1 fails the trigger, the last command, which set -e would not forgive.
    for fake in 0 1; do
      mkdir -p "fake$fake"
      printf '#!/bin/sh\necho "$*" >>"%s/udevadm.log"\n[ %s = 0 ] || [ "$1" != trigger ]\n' \
        "$PWD" "$fake" >"fake$fake/udevadm"
      chmod 755 "fake$fake/udevadm"
    done
    calls() { cat udevadm.log 2>/dev/null; }
    isolate=no
    unshare -m sh -c 'mount -t tmpfs tmpfs /run' 2>/dev/null && isolate=yes
    # run_script yes|no FAKE SCRIPT ARG: the script with udev running or not, and FAKE's udevadm.
    run_script() {
      local udev=$1 fake=$PWD/$2
      shift 2
      if [ "$isolate" = yes ]; then
        PATH="$fake:$PATH" unshare -m sh -c 'mount -t tmpfs tmpfs /run &&
          { [ "$1" = no ] || mkdir /run/udev; } && shift && exec sh "$@"' sh "$udev" "$@" </dev/null
      else
        PATH="$fake:$PATH" sh "$@" </dev/null
      fi
    }
    if [ "$isolate" = yes ]; then
      cases=(yes no)
    else
      echo "no mount namespace here: the scripts run as udev is on this machine"
      cases=("$([ -d /run/udev ] && echo yes || echo no)")
    fi
    for script in postinst postrm; do
      check "$script is executable" [ -x "control/$script" ]
      check "$script is valid sh" sh -n "control/$script"
    done
    for run in "postinst configure" "postrm remove" "postrm purge" "postrm upgrade"; do
      for udev in "${cases[@]}"; do
        calls_udev=no
        [ "$udev" = yes ] && [ "$run" != "postrm upgrade" ] && calls_udev=yes
        rm -f udevadm.log
        # shellcheck disable=SC2086
        check "$run succeeds (udev running: $udev)" run_script "$udev" fake0 control/$run
        if [ "$calls_udev" = yes ]; then
          check "$run reloads the rules and triggers hidraw" \
            [ "$(calls)" = $'control --reload-rules\ntrigger --subsystem-match=hidraw' ]
        else
          check "$run leaves udev alone (udev running: $udev)" [ -z "$(calls)" ]
        fi
        rm -f udevadm.log
        # shellcheck disable=SC2086
        check "$run succeeds when udevadm fails (udev running: $udev)" \
          run_script "$udev" fake1 control/$run
        if [ "$calls_udev" = yes ]; then
          check "$run tried the trigger" [ "$(calls | tail -1)" = "trigger --subsystem-match=hidraw" ]
        fi
      done
    done
    finish
    ;;

  desktop-entry)
    if ! command -v desktop-file-validate >/dev/null; then
      echo "desktop-file-validate is not installed (desktop-file-utils): skipped"
      exit 77
    fi
    check "desktop-file-validate" desktop-file-validate "$source/packaging/linux/zbk-utility.desktop"
    finish
    ;;

  *)
    echo "unknown mode: $mode"
    exit 2
    ;;
esac
