#include "common/UserDirs.h"

#include "common/Text.h"

namespace mole {

std::vector<UserDirSetting> readUserDirs(const std::string &file, const std::string &home) {
    std::vector<UserDirSetting> settings;
    std::optional<std::string> text = readFile(file);
    if (!text)
        return settings;
    forEachLine(*text, [&](std::string_view line) {
        line = trim(line);
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string_view::npos)
            return;
        std::string_view value = trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string path;
        for (size_t i = 0; i < value.size(); ++i)
            path += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
        if (path.starts_with("$HOME"))
            path = home + path.substr(5);
        if (path.starts_with("/"))
            settings.push_back({std::string(trim(line.substr(0, equals))), std::move(path)});
    });
    return settings;
}

}  // namespace mole
