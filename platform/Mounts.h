// The mount table and what the kernel says of block devices.
#pragma once

#include <string>

namespace Platform {

// The text of /proc/self/mountinfo.
bool ReadMountInfo(std::string &text);
// True when the block device major:minor is removable (its removable flag or a USB bus).
bool BlockDeviceRemovable(unsigned major, unsigned minor);
// The file system label of a device ("/dev/sdb1"), from /dev/disk/by-label; empty when none.
std::string LabelOfDevice(const std::string &device);

} // namespace Platform
