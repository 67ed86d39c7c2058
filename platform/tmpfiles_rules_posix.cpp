// The "x" and "X" lines of the host's tmpfiles.d configuration: paths that the host's own
// clean-up of temporary folders leaves alone (the X server's lock files and sockets, a
// service's runtime folder). The view keeps them from every clean-up as well.
//
// Files are read as systemd-tmpfiles reads them: every "*.conf" of the folders, a file name
// found in several folders taken from the first (so /etc overrides /run overrides /usr/lib), in
// the order of their names. A line is "type path ..."; the type may carry modifiers after its
// letter. Specifiers other than %%, %T and %V (which name fixed folders) cannot be known here;
// a line with one is skipped.

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace scourwell::platform {
namespace {

// The path with its specifiers replaced; empty when it holds one that is not known here.
std::string ExpandSpecifiers(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            out += path[i];
            continue;
        }
        if (++i >= path.size()) return {};
        switch (path[i]) {
            case '%': out += '%'; break;
            case 'T': out += "/tmp"; break;
            case 'V': out += "/var/tmp"; break;
            default: return {};
        }
    }
    return out;
}

void ReadRules(const std::string& file, std::vector<HostKeepRule>& rules) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string type, path;
        if (!(fields >> type >> path) || type.empty() || type[0] == '#') continue;
        if (type[0] != 'x' && type[0] != 'X') continue;
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
            path = path.substr(1, path.size() - 2);
        path = ExpandSpecifiers(path);
        if (path.empty() || path.front() != '/') continue;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        rules.push_back({path, type[0] == 'x'});
    }
}

}  // namespace

std::vector<HostKeepRule> ReadTmpfilesKeepRules(const std::vector<std::string>& folders) {
    std::map<std::string, std::string> files;  // name -> path, the first folder's wins
    for (const std::string& folder : folders) {
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) continue;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() <= 5 || !name.ends_with(".conf")) continue;
            files.emplace(name, folder + "/" + name);
        }
        closedir(dir);
    }
    std::vector<HostKeepRule> rules;
    for (const auto& [name, path] : files) ReadRules(path, rules);
    return rules;
}

}  // namespace scourwell::platform
