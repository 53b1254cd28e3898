#!/usr/bin/env bash
# Runs the README's test command on a fresh, minimal Debian 12, as CI does on a new machine: makes the
# system with mmdebstrap (Debian's smallest system plus git, ca-certificates and sudo), clones one
# commit of this repository into it and runs ./test.sh there as root. What the set-up forgets to
# install, and what the tests take for granted about the machine, fails here.
#
#   scripts/fresh-debian-test.sh [options] [COMMIT] [-- COMMAND...]
#
#   COMMIT        what to test (default HEAD); only committed work is cloned
#   -- COMMAND    runs COMMAND in the clone instead of ./test.sh, with the same environment, e.g.
#                 -- bash -c 'scripts/build.sh build && cd build && ctest -R Socks --output-on-failure'
#   --root DIR    where the system is made (default /var/tmp/clipwave-fresh-debian)
#   --keep        keeps the system afterwards, with the packages installed and the builds made
#   --reuse       uses the system DIR kept by an earlier --keep: updates the clone to COMMIT and keeps
#                 its build folders, so a rerun builds only what changed (implies --keep)
#   --variant V   mmdebstrap's variant (default minbase: Debian's required packages and apt)
#
# Needs root (for mmdebstrap, the mounts and chroot); installs mmdebstrap through apt when missing.
# /proc, /dev, /dev/pts and /dev/shm are mounted into the system for the run and unmounted whatever
# happens. The last lines say how the command ended and how long it took; the exit status is the
# command's.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
root=/var/tmp/clipwave-fresh-debian
keep=0
reuse=0
variant=minbase
commit=HEAD
command=(./test.sh)

usage() {
  sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}" >&2
  exit 2
}

while (($#)); do
  case "$1" in
    --root) root="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    --reuse) reuse=1; keep=1; shift ;;
    --variant) variant="$2"; shift 2 ;;
    -h | --help) usage ;;
    --) shift; (($#)) || usage; command=("$@"); break ;;
    -*) echo "fresh-debian-test: unknown option $1" >&2; usage ;;
    *) commit="$1"; shift ;;
  esac
done

log() { echo "fresh-debian-test: $*" >&2; }
# The command on one line, cut short when long (a script given to bash -c, say).
what="${command[*]}"
what="${what//$'\n'/; }"
((${#what} <= 80)) || what="${what:0:77}..."

if [[ $(id -u) -ne 0 ]]; then
  log "needs root (mmdebstrap, mount and chroot)"
  exit 2
fi
# The system is removed with rm -rf: refuse anything but a folder of its own.
root="$(realpath -m "$root")"
case "$root" in
  / | /var | /var/tmp | /tmp | /root | /home | /usr | /etc | "$top" | "$top"/*)
    log "refusing --root $root: give a folder of its own, outside the repository"
    exit 2
    ;;
esac
sha="$(git -C "$top" rev-parse --verify "$commit^{commit}")"
if [[ "$commit" == HEAD && -n "$(git -C "$top" status --porcelain --untracked-files=no)" ]]; then
  log "the work tree has uncommitted changes; testing the last commit, $sha, without them"
fi

# Whatever is mounted below the system, deepest first.
mounted_below() {
  awk -v r="$root" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}
unmount_all() {
  local m
  for m in $(mounted_below); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
}
# A system this script made: a Debian tree holding the clone (or an empty folder).
is_ours() {
  [[ -f "$root/etc/debian_version" && -d "$root/root/clipwave/.git" ]] || [[ -z "$(ls -A "$root")" ]]
}
# Removes the system; with "checked", only one that is_ours (one this run did not make).
remove_system() {
  unmount_all
  if [[ "${1:-}" == checked ]] && ! is_ours; then
    log "$root is not a system this script made; not removing it"
    return 1
  fi
  if [[ -n "$(mounted_below)" ]]; then
    log "something is still mounted below $root; not removing it"
    return 1
  fi
  rm -rf --one-file-system "$root"
}
made=0 # set once $root holds a system of this run's, to keep or remove at the end
finish() {
  unmount_all
  if ((made && keep)); then
    log "kept the system in $root (rerun with --reuse; remove it with rm -rf --one-file-system $root)"
  elif ((made)) && [[ -d "$root" ]]; then
    remove_system || true
  fi
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$SECONDS
clone="$root/root/clipwave"
if ((reuse)); then
  if [[ ! -d "$clone/.git" ]]; then
    log "no kept system in $root to reuse"
    exit 2
  fi
  made=1
  log "reusing $root"
  unmount_all
  git -C "$clone" fetch --quiet "$top" '+refs/heads/*:refs/remotes/origin/*'
  git -C "$clone" checkout --quiet --detach "$sha"
else
  if [[ -e "$root" ]]; then
    log "removing the previous system in $root"
    remove_system checked || exit 2
  fi
  if ! command -v mmdebstrap >/dev/null; then
    log "installing mmdebstrap"
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
  fi
  log "making Debian 12 ($variant, with git, ca-certificates and sudo) in $root"
  mkdir -p "$(dirname "$root")"
  made=1
  mmdebstrap --quiet --variant="$variant" --include=git,ca-certificates,sudo bookworm "$root"
  # Debian's own /etc/hosts: localhost is 127.0.0.1 and ::1 both, so whatever looks the name up may
  # get either first.
  cat >"$root/etc/hosts" <<EOF
127.0.0.1	localhost
127.0.1.1	$(hostname)

# The following lines are desirable for IPv6 capable hosts
::1     localhost ip6-localhost ip6-loopback
ff02::1 ip6-allnodes
ff02::2 ip6-allrouters
EOF
  log "cloning $sha"
  git clone --quiet --no-hardlinks --no-checkout "$top" "$clone"
  git -C "$clone" checkout --quiet --detach "$sha"
fi
# For apt inside the system.
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind /dev/shm "$root/dev/shm"

log "running $what in $clone at $sha"
ran=$SECONDS
status=0
# A clean environment, as a fresh root login has it, plus CI's variable.
chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb CI=true \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c 'cd /root/clipwave && exec "$@"' bash "${command[@]}" </dev/null || status=$?

elapsed() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }
if ((status == 0)); then
  log "PASSED: $what at $sha"
else
  log "FAILED (exit status $status): $what at $sha"
fi
log "the command took $(elapsed $((SECONDS - ran))), everything $(elapsed $((SECONDS - started)))"
exit "$status"
