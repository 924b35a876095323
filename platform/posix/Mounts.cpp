// The mount table and what the kernel says of block devices.
#include "platform/Mounts.h"

#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace Platform {

bool ReadMountInfo(std::string &text)
{
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

bool BlockDeviceRemovable(unsigned major, unsigned minor)
{
    const std::string device = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    char resolved[PATH_MAX] = {};
    if (!realpath(device.c_str(), resolved)) return false;
    std::string path = resolved;
    if (path.find("/usb") != std::string::npos) return true;
    // A partition's flag lives on its disk, one folder up.
    for (int level = 0; level < 2; ++level) {
        std::ifstream flag(path + "/removable");
        int removable = 0;
        if (flag >> removable) return removable != 0;
        path = path.substr(0, path.rfind('/'));
    }
    return false;
}

std::string LabelOfDevice(const std::string &device)
{
    char wanted[PATH_MAX] = {};
    if (!realpath(device.c_str(), wanted)) return {};
    DIR *labels = opendir("/dev/disk/by-label");
    if (!labels) return {};
    std::string label;
    while (const dirent *entry = readdir(labels)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        char target[PATH_MAX] = {};
        if (realpath(("/dev/disk/by-label/" + name).c_str(), target) && std::string(target) == wanted) {
            // udev escapes characters such as "/" and " " as \xHH.
            for (std::size_t i = 0; i < name.size(); ++i) {
                if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
                    label += static_cast<char>(std::strtol(name.substr(i + 2, 2).c_str(), nullptr, 16));
                    i += 3;
                } else {
                    label += name[i];
                }
            }
            break;
        }
    }
    closedir(labels);
    return label;
}

} // namespace Platform
