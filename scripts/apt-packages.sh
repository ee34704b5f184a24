# Sourced by the install scripts: installs the Debian packages given that are missing.
# A package index that fails to download (a mirror in the middle of a sync) does not stop
# the run: the update is retried, and the install then uses the lists it has.
install_missing_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  local attempt
  for attempt in 1 2 3; do
    apt-get update -qq || echo "apt-get update reported a failure; installing from the lists it has"
    if apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
      return 0
    fi
    [ "$attempt" -lt 3 ] || break
    echo "apt-get failed (attempt $attempt of 3); retrying in $((attempt * 20)) s"
    sleep $((attempt * 20))
  done
  echo "could not install: ${missing[*]}"
  return 1
}
