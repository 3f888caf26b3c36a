# Shared by the scripts in this folder: package installation and the build.
# Sourced, not run.

ZEPHON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages listed in scripts/packages that are not installed yet.
zephon_install_packages() {
  local wanted missing=()
  wanted=$(grep -v '^#' "$ZEPHON_ROOT/scripts/packages" | tr -s ' \n' '\n' | sed '/^$/d')
  for p in $wanted; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# zephon_configure DIR [cmake options...]: configures the tree in DIR.
zephon_configure() {
  local dir=$1
  shift
  cmake -S "$ZEPHON_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# zephon_build DIR [targets...]: builds the targets (all when none are named) in DIR.
zephon_build() {
  local dir=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}

# zephon_listening HOST PORT: true when a TCP connection to HOST:PORT succeeds.
zephon_listening() {
  (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null
}
