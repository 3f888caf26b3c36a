# Shared by the scripts in this folder: package installation and the build.
# Sourced, not run.

ZEPHON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages listed in scripts/packages that are not installed yet. One
# dpkg-query for the whole list: asking per package costs most of a second on every start.
zephon_install_packages() {
  local wanted missing=()
  wanted=$(grep -v '^#' "$ZEPHON_ROOT/scripts/packages" | tr -s ' \n' '\n' | sed '/^$/d')
  local -A installed=()
  local p
  for p in $(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' $wanted 2>/dev/null |
    awk '$2 == "ii" { print $1 }'); do
    installed[$p]=1
  done
  for p in $wanted; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# zephon_configure DIR [cmake options...]: configures the tree in DIR when it has no build
# yet or when an option asked for differs from the one it was configured with. Everything
# else (a changed CMakeLists.txt, a new source) Ninja notices itself and re-runs CMake for.
zephon_configure() {
  local dir=$1
  shift
  local options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "$@")
  if [ -f "$dir/build.ninja" ] && [ -f "$dir/CMakeCache.txt" ] &&
    zephon_cache_has "$dir/CMakeCache.txt" "${options[@]}"; then
    return 0
  fi
  cmake -S "$ZEPHON_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null
}

# zephon_cache_has CACHE -DNAME=VALUE...: true when the cache holds every NAME with VALUE.
zephon_cache_has() {
  local cache=$1 option name value
  shift
  for option in "$@"; do
    option=${option#-D}
    name=${option%%=*}
    value=${option#*=}
    grep -qxE "${name}(:[A-Z]+)?=${value}" "$cache" || return 1
  done
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
