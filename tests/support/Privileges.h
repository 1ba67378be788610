#pragma once

// Tests run as root in CI, where permission bits stop nothing. While a PermissionBitsApply object
// lives, the process gives up the capabilities that let root ignore them (DAC override, DAC read
// search, owner override, immutable), so an unreadable folder or a write-protected file behaves
// as it does for a user. They come back when the object ends.
class PermissionBitsApply {
public:
    PermissionBitsApply();
    ~PermissionBitsApply();
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;
    bool active() const { return ok; }

private:
    bool ok = false;
    unsigned saved[2] = {};
};
