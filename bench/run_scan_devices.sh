#!/bin/sh
# The scan of two trees that lie on two slow devices, against `find A B` and two `find`s at once.
# Each tree of the scan benchmark (100 000 files in 2 000 folders) gets an ext4 file system of its
# own on a loop device; the benchmark runs in a block-I/O cgroup that lets it read each device at
# most 2 000 times a second (about a memory stick's speed), and the page cache is dropped before
# every measurement. The same trees on the plain disk, warm and cold, come first. Everything set
# up here is torn down at the end, also after a failure or Ctrl-C.
# Needs root (loop devices, mounts, cgroups, drop_caches); anyone else gets a message and nothing
# is done.
# Usage: bench/run_scan_devices.sh [rounds] [reads per second] [files per side] [folders per side]
set -eu
rounds=${1:-5}
iops=${2:-2000}
files=${3:-100000}
folders=${4:-2000}

if [ "$(id -u)" -ne 0 ]; then
    echo "run_scan_devices.sh: skipped, needs root for loop devices, mounts, cgroups and drop_caches"
    exit 0
fi
for tool in losetup mkfs.ext4 mount umount findmnt find; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run_scan_devices.sh: $tool is missing" >&2
        exit 1
    fi
done
if ! [ -w /proc/sys/vm/drop_caches ]; then
    echo "run_scan_devices.sh: /proc/sys/vm/drop_caches cannot be written, no cold runs possible" >&2
    exit 1
fi

here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_scan -j2
bench="$build/bench/bench_scan"
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "${TMPDIR:-/tmp}/tandrix-scan-devices-XXXXXX")
devices=""
group=""
io_enabled_here=""
v2_root=""
cleanup() {
    set +e
    [ -n "$group" ] && rmdir "$group"
    if [ -n "$io_enabled_here" ]; then
        echo "-io" >"$v2_root/cgroup.subtree_control" 2>/dev/null
    fi
    for side in A B; do
        mountpoint -q "$work/mnt$side" && umount "$work/mnt$side"
    done
    for dev in $devices; do
        losetup -d "$dev"
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The plain disk: the trees beside the loop images, warm and cold.
echo "== plain disk ($(findmnt -n -o SOURCE,FSTYPE -T "$work")), load: $(uptime)"
mkdir "$work/A" "$work/B"
"$bench" --make "$work/A" "$work/B" "$files" "$folders"
"$bench" --roots "$work/A" "$work/B" "$rounds"
"$bench" --roots "$work/A" "$work/B" --cold "$rounds"
rm -rf "$work/A" "$work/B"

# One file system per tree: 4 KiB blocks and an inode for every entry with room to spare (mkfs
# picks 1 KiB blocks and few inodes for a small image on its own). Sparse images, mounted without
# access times so that reading writes nothing.
inodes=$(((files + folders) * 5 / 4 + 1024))
for side in A B; do
    truncate -s 1G "$work/image$side"
    mkfs.ext4 -q -F -b 4096 -I 256 -N "$inodes" -E lazy_itable_init=0,lazy_journal_init=0 "$work/image$side"
    # Direct I/O to the image keeps its blocks out of the page cache twice; not every kernel has it.
    dev=$(losetup -f --show --direct-io=on "$work/image$side" 2>/dev/null) ||
        dev=$(losetup -f --show "$work/image$side")
    devices="$devices $dev"
    mkdir "$work/mnt$side"
    mount -o noatime "$dev" "$work/mnt$side"
    mkdir "$work/mnt$side/baum"
done
"$bench" --make "$work/mntA/baum" "$work/mntB/baum" "$files" "$folders"
sync

# The read limit per device: cgroup v2's io.max where the io controller can be had, else v1's
# blkio.throttle.read_iops_device.
limits=""
for dev in $devices; do
    limits="$limits $(lsblk -dn -o MAJ:MIN "$dev" | tr -d ' ')"
done
v2_root=$(findmnt -n -t cgroup2 -o TARGET | head -n 1)
v1_root=$(findmnt -n -t cgroup -o TARGET,OPTIONS | awk '$2 ~ /(^|,)blkio(,|$)/ { print $1; exit }')
if [ -n "$v2_root" ] && grep -qw io "$v2_root/cgroup.controllers" 2>/dev/null; then
    if ! grep -qw io "$v2_root/cgroup.subtree_control"; then
        echo "+io" >"$v2_root/cgroup.subtree_control"
        io_enabled_here=yes
    fi
    group="$v2_root/tandrix-bench-$$"
    mkdir "$group"
    for limit in $limits; do
        echo "$limit riops=$iops" >"$group/io.max"
    done
    stat_file=io.stat
    echo "== throttled through cgroup v2 io.max in $group"
elif [ -n "$v1_root" ]; then
    group="$v1_root/tandrix-bench-$$"
    mkdir "$group"
    for limit in $limits; do
        echo "$limit $iops" >"$group/blkio.throttle.read_iops_device"
    done
    stat_file=blkio.throttle.io_serviced
    echo "== throttled through cgroup v1 blkio.throttle.read_iops_device in $group"
else
    echo "run_scan_devices.sh: no cgroup io controller: no cgroup2 mount with 'io' in cgroup.controllers" \
        "(found: ${v2_root:-no cgroup2 mount}) and no cgroup v1 blkio hierarchy" >&2
    exit 1
fi

echo "== two loop devices ($devices ), $iops reads per second each, load: $(uptime)"
# Only the benchmark and the finds it starts run in the group.
sh -c 'echo $$ >"$1/cgroup.procs" && shift && exec "$@"' sh "$group" \
    "$bench" --roots "$work/mntA/baum" "$work/mntB/baum" --cold "$rounds"
echo "reads the limit counted ($stat_file):"
for limit in $limits; do
    grep "^$limit" "$group/$stat_file" | grep -E "Read|rios" || true
done
echo "load: $(uptime)"
