#include "support/Privileges.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
bool capGet(__user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}
bool capSet(__user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}
constexpr unsigned bit(int cap) {
    return 1u << cap;
}
} // namespace

PermissionBitsApply::PermissionBitsApply() {
    __user_cap_data_struct data[2] = {};
    if (!capGet(data))
        return;
    saved[0] = data[0].effective;
    saved[1] = data[1].effective;
    data[0].effective &=
        ~(bit(CAP_DAC_OVERRIDE) | bit(CAP_DAC_READ_SEARCH) | bit(CAP_FOWNER) | bit(CAP_LINUX_IMMUTABLE));
    ok = capSet(data);
}

PermissionBitsApply::~PermissionBitsApply() {
    if (!ok)
        return;
    __user_cap_data_struct data[2] = {};
    if (!capGet(data))
        return;
    data[0].effective = saved[0];
    data[1].effective = saved[1];
    capSet(data);
}
