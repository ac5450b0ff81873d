#include "status/Hardware.h"

#include "common/Text.h"

#include <sys/utsname.h>
#include <array>
#include <cmath>
#include <string_view>

namespace mole::status {

namespace {

// Firmware fills unset DMI fields with these.
bool isPlaceholder(std::string_view text) {
    static constexpr std::array placeholders = {
        std::string_view("To Be Filled By O.E.M."),
        std::string_view("To be filled by O.E.M."),
        std::string_view("System Product Name"),
        std::string_view("System manufacturer"),
        std::string_view("Default string"),
        std::string_view("Not Applicable"),
        std::string_view("None"),
        std::string_view("Unknown"),
    };
    if (text.empty())
        return true;
    for (std::string_view placeholder : placeholders)
        if (text == placeholder)
            return true;
    return false;
}

std::string machineModel(std::string_view cpuinfo) {
    std::string vendor = readLine("/sys/class/dmi/id/sys_vendor");
    std::string product = readLine("/sys/class/dmi/id/product_name");
    // Lenovo keeps the marketing name in product_version.
    std::string version = readLine("/sys/class/dmi/id/product_version");
    if (vendor.starts_with("LENOVO") && !isPlaceholder(version))
        product = version;
    if (!isPlaceholder(product)) {
        if (isPlaceholder(vendor) || product.find(vendor) != std::string::npos)
            return product;
        return vendor + " " + product;
    }
    std::string tree = readLine("/sys/firmware/devicetree/base/model");
    while (!tree.empty() && tree.back() == '\0') tree.pop_back();
    if (!tree.empty())
        return tree;
    if (cpuinfo.find(" hypervisor") != std::string_view::npos)
        return "Virtual machine";
    return "Linux computer";
}

std::string processorName(std::string_view cpuinfo) {
    for (std::string_view key : {"model name", "Hardware", "Model", "cpu model"}) {
        std::string name = valueAfter(cpuinfo, key, ':');
        if (!name.empty())
            return name;
    }
    utsname names{};
    ::uname(&names);
    return names.machine;
}

std::string osVersion() {
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::optional<std::string> text = readFile(path);
        if (!text)
            continue;
        std::string name = valueAfter(*text, "PRETTY_NAME", '=');
        if (name.size() >= 2 && (name.front() == '"' || name.front() == '\''))
            name = name.substr(1, name.size() - 2);
        if (!name.empty())
            return name;
    }
    utsname names{};
    ::uname(&names);
    return std::string(names.sysname) + " " + names.release;
}

}  // namespace

std::string installedMemoryText(uint64_t memoryTotal) {
    double gibibytes = double(memoryTotal) / double(1ull << 30);
    if (gibibytes < 1)
        return std::to_string(uint64_t(std::ceil(double(memoryTotal) / (1 << 20)))) + " MB";
    return std::to_string(uint64_t(std::ceil(gibibytes - 0.02))) + " GB";
}

Hardware readHardware(uint64_t memoryTotal) {
    std::string cpuinfo = readFile("/proc/cpuinfo").value_or(std::string());
    return {machineModel(cpuinfo), processorName(cpuinfo), installedMemoryText(memoryTotal),
            osVersion()};
}

}  // namespace mole::status
