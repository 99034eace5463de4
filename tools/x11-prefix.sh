# Sourced. make_x11_prefix NAME: a fresh copy of the suite's prefix,
# build/wine-<target>-NAME, whose programs use Wine's X11 driver (run them
# under Xvfb) and whose CD-ROM drives D: and F: show folders of its own,
# build/discs-NAME/<letter>, so that another prefix putting discs in at the
# same time is not disturbed. The suite's prefix must have no server
# running. Afterwards WINEPREFIX, WINESERVER and the HALVO_* paths name the
# copy; its server is not started.
make_x11_prefix() {
  local name=$1 shared letter
  unset HALVO_WINEPREFIX
  source "$HALVO_TOP/tools/wine-env.sh"
  shared=$WINEPREFIX
  [ -d "$shared" ] || { echo "no prefix $shared (./halvo build)" >&2; return 1; }
  export HALVO_WINEPREFIX="$shared-$name"
  source "$HALVO_TOP/tools/wine-env.sh"
  rm -rf "$WINEPREFIX"
  cp -a "$shared" "$WINEPREFIX"
  for letter in d f; do
    mkdir -p "$HALVO_TOP/build/discs-$name/$letter"
    ln -sfn "$HALVO_TOP/build/discs-$name/$letter" "$WINEPREFIX/dosdevices/$letter:"
  done
  # Set before the copy's server first reads the registry.
  sed -i 's/^"Graphics"="null"$/"Graphics"="x11"/' "$WINEPREFIX/user.reg"
  if ! grep -qx '"Graphics"="x11"' "$WINEPREFIX/user.reg"; then
    "$HALVO_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
  fi
  return 0
}

# switch_auto_insert_off: the drives' automatic insert notification off in
# the hardware registry, so that the first program does not raise the
# restart question (whose OK would end every program of the prefix).
switch_auto_insert_off() {
  local instance
  for instance in 0 1; do
    "$HALVO_WINE" reg add "HKLM\\Enum\\SCSI\\HALVO___CDR-IR__\\$instance" /v AutoInsertNotification \
      /t REG_BINARY /d 00 /f </dev/null >/dev/null 2>&1 || return 1
  done
}
