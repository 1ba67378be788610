#!/usr/bin/python3
# A block device image behind a small FUSE layer that fails as a worn or counterfeit stick does.
# The file "disk" in the mount point is the image; a loop device over it carries a real file
# system. What the device does is read anew from the control file (one line) on every write:
#   good            every byte is kept
#   fail            every write fails with EIO
#   fail-after N    writes fail with EIO once N more bytes have been written
#   bad-cells       a sector that begins with "BADCELL!" is kept with one byte changed,
#                   and the write still reports success
# Usage: faulty_device.py IMAGE CONTROL MOUNTPOINT
import errno
import os
import stat
import sys

import fuse

fuse.fuse_python_api = (0, 2)
SECTOR = 512
MARK = b"BADCELL!"


class Device(fuse.Fuse):
    def setup(self, image, control):
        self.fd = os.open(image, os.O_RDWR)
        self.control = control
        self.stamp = None
        self.mode = ["good"]
        self.written = 0

    def current_mode(self):
        try:
            st = os.stat(self.control)
        except OSError:
            return self.mode
        if (st.st_mtime_ns, st.st_size) != self.stamp:
            self.stamp = (st.st_mtime_ns, st.st_size)
            with open(self.control) as f:
                self.mode = f.read().split() or ["good"]
            self.written = 0
        return self.mode

    def getattr(self, path):
        st = fuse.Stat()
        if path == "/":
            st.st_mode = stat.S_IFDIR | 0o755
            st.st_nlink = 2
            return st
        if path != "/disk":
            return -errno.ENOENT
        st.st_mode = stat.S_IFREG | 0o644
        st.st_nlink = 1
        st.st_size = os.fstat(self.fd).st_size
        return st

    def readdir(self, path, offset):
        for name in (".", "..", "disk"):
            yield fuse.Direntry(name)

    def open(self, path, flags):
        return 0 if path == "/disk" else -errno.ENOENT

    def truncate(self, path, size):
        return 0

    def read(self, path, size, offset):
        return os.pread(self.fd, size, offset)

    def write(self, path, buf, offset):
        mode = self.current_mode()
        if mode[0] == "fail" or (mode[0] == "fail-after" and self.written + len(buf) > int(mode[1])):
            return -errno.EIO
        self.written += len(buf)
        data = bytearray(buf)
        if mode[0] == "bad-cells":
            start = (-offset) % SECTOR
            for i in range(start, len(data) - 8, SECTOR):
                if data[i:i + 8] == MARK:
                    data[i + 100] ^= 0xFF
        os.pwrite(self.fd, bytes(data), offset)
        return len(buf)

    def fsync(self, path, datasync, fh=None):
        return 0

    def flush(self, path, fh=None):
        return 0


def main():
    image, control, mountpoint = sys.argv[1:4]
    device = Device(usage="faulty_device.py IMAGE CONTROL MOUNTPOINT")
    device.setup(image, control)
    device.fuse_args.mountpoint = mountpoint
    device.fuse_args.add("direct_io")
    device.fuse_args.setmod("foreground")
    device.multithreaded = False
    device.main()


if __name__ == "__main__":
    main()
