#!/bin/sh
# Runs a command under the file-system confinement that the fieldsync unit
# asks of systemd, emulated for machines where systemd is not running:
#
#   ProtectSystem=strict   every mount read-only but /proc, /sys and /dev
#   ReadWritePaths=, StateDirectory=
#                          the directories named before "--" stay writable
#   PrivateTmp=yes         /tmp and /var/tmp empty and private
#   ProtectHome=yes        /home, /root and /run/user empty and inaccessible
#   UMask=                 the umask given with -u (default 0077)
#
# It must run as root in a mount namespace of its own, so that nothing of
# this reaches the rest of the machine:
#
#   unshare --mount --propagation private -- sh unit-sandbox.sh [-u UMASK] DIR... -- COMMAND...
#
# The command then drops to the service user itself (setpriv). What systemd
# also does and this does not: PrivateDevices, the kernel and control-group
# protections, the capability and address-family limits (setpriv can take
# the capabilities), and the system-call restrictions.
set -eu

umask_value=0077
if [ "${1:-}" = "-u" ]; then
    umask_value=$2
    shift 2
fi
writable=""
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
    writable="$writable $1"
    shift
done
[ "$#" -gt 0 ] || { echo "usage: unit-sandbox.sh [-u UMASK] DIR... -- COMMAND..." >&2; exit 2; }
shift

# Only inside a namespace of our own (unshare runs this script in it, its
# parent stays outside): remounting the machine's mounts would make the whole
# machine read-only.
own=$(readlink /proc/self/ns/mnt || true)
parent=$(readlink "/proc/$PPID/ns/mnt" || true)
if [ -z "$own" ] || [ -z "$parent" ] || [ "$own" = "$parent" ]; then
    echo "unit-sandbox.sh: run it under unshare --mount --propagation private" >&2
    exit 2
fi

# The writable directories become mounts of their own, so that making their
# parents read-only leaves them as they are.
for dir in $writable; do
    mount --bind "$dir" "$dir"
done

is_writable() {
    for dir in $writable; do
        [ "$1" = "$dir" ] && return 0
    done
    return 1
}

# Every other mount read-only (per mount point: the file systems themselves
# stay writable for the rest of the machine).
awk '{ print $5 }' /proc/self/mountinfo | sort -u | while read -r point; do
    case "$point" in
        /proc|/proc/*|/sys|/sys/*|/dev|/dev/*) continue ;;
        *\\*) continue ;;  # an escaped blank or the like: none is needed here
    esac
    is_writable "$point" && continue
    mount -o remount,bind,ro "$point"
done

for dir in /tmp /var/tmp; do
    mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$dir"
done
for dir in /home /root /run/user; do
    if [ -d "$dir" ]; then
        mount -t tmpfs -o ro,mode=000,nosuid,nodev,noexec tmpfs "$dir"
    fi
done

umask "$umask_value"
# The working directory again, through the mounts made here.
cd "$PWD"
exec "$@"
