#include "common/Mounts.h"

#include "common/Text.h"

#include <sys/sysmacros.h>
#include <array>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace mole {

namespace {

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (size_t k = 1; k <= 3; ++k) {
                char c = field[i + k];
                if (c < '0' || c > '7')
                    octal = false;
                value = value * 8 + (c - '0');
            }
            if (octal) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::optional<Mount> parseLine(std::string_view line) {
    std::vector<std::string_view> fields = words(line);
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 2 >= fields.size())
        return std::nullopt;
    std::string_view numbers = fields[2];
    size_t colon = numbers.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    Mount mount;
    mount.id = std::strtoull(std::string(fields[0]).c_str(), nullptr, 10);
    unsigned major =
        unsigned(std::strtoul(std::string(numbers.substr(0, colon)).c_str(), nullptr, 10));
    unsigned minor =
        unsigned(std::strtoul(std::string(numbers.substr(colon + 1)).c_str(), nullptr, 10));
    mount.device = makedev(major, minor);
    mount.root = unescape(fields[3]);
    mount.point = unescape(fields[4]);
    mount.type = std::string(fields[dash + 1]);
    mount.source = unescape(fields[dash + 2]);
    return mount;
}

// The block device's sysfs folder says whether the medium is removable; a
// partition inherits the flag of the disk that holds it.
bool blockDeviceIsRemovable(dev_t device) {
    std::string base =
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    if (readLine(base + "/removable") == "1")
        return true;
    char resolved[PATH_MAX];
    if (!::realpath(base.c_str(), resolved))
        return false;
    std::string disk = resolved;
    disk.erase(disk.rfind('/'));
    return readLine(disk + "/removable") == "1";
}

}  // namespace

std::vector<Mount> readMounts() {
    std::vector<Mount> mounts;
    std::optional<std::string> text = readFile("/proc/self/mountinfo");
    if (!text)
        return mounts;
    forEachLine(*text, [&](std::string_view line) {
        if (std::optional<Mount> mount = parseLine(line))
            mounts.push_back(std::move(*mount));
    });
    return mounts;
}

bool isLocalDiskFileSystem(const Mount &mount) {
    static constexpr std::array types = {
        std::string_view("ext2"),     std::string_view("ext3"),     std::string_view("ext4"),
        std::string_view("xfs"),      std::string_view("btrfs"),    std::string_view("f2fs"),
        std::string_view("jfs"),      std::string_view("reiserfs"), std::string_view("zfs"),
        std::string_view("bcachefs"), std::string_view("nilfs2"),   std::string_view("vfat"),
        std::string_view("exfat"),    std::string_view("ntfs"),     std::string_view("ntfs3"),
        std::string_view("fuseblk"),  std::string_view("hfsplus"),  std::string_view("apfs"),
    };
    for (std::string_view type : types)
        if (mount.type == type)
            return true;
    return false;
}

bool isRemovable(const Mount &mount) {
    if (mount.type == "iso9660" || mount.type == "udf")
        return true;
    std::string_view point = mount.point;
    if (point.starts_with("/media/") || point.starts_with("/run/media/"))
        return true;
    return mount.source.starts_with("/dev/") && blockDeviceIsRemovable(mount.device);
}

}  // namespace mole
