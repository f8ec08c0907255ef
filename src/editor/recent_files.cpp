#include "editor/recent_files.h"

#include <algorithm>

#include "text/codec.h"

namespace folvane::editor {

std::string recentFileKey(std::size_t index) { return text::gb("最近打开的文件") + std::to_string(index + 1); }

std::vector<std::string> withRecentFile(std::vector<std::string> list, const std::string& path) {
    if (path.empty() || !settings::isValidValue(path)) return list;
    list = withoutRecentFile(std::move(list), path);
    list.insert(list.begin(), path);
    if (list.size() > kRecentFileCount) list.resize(kRecentFileCount);
    return list;
}

std::vector<std::string> withoutRecentFile(std::vector<std::string> list, const std::string& path) {
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    return list;
}

std::vector<std::string> withoutMissingFiles(std::vector<std::string> list,
                                             const std::function<bool(const std::string&)>& exists,
                                             std::vector<std::string>* missing) {
    std::vector<std::string> kept;
    for (std::string& p : list) {
        if (exists(p)) kept.push_back(std::move(p));
        else if (missing) missing->push_back(std::move(p));
    }
    return kept;
}

std::vector<std::string> readRecentFiles(const settings::IniText& ini, std::string_view section) {
    std::vector<std::string> list;
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        const auto v = ini.find(section, recentFileKey(i));
        if (!v || v->empty()) continue;
        const std::string path(*v);
        if (std::find(list.begin(), list.end(), path) == list.end()) list.push_back(path);
    }
    return list;
}

std::vector<settings::IniAssignment> recentFileAssignments(const std::vector<std::string>& list) {
    std::vector<settings::IniAssignment> out;
    for (std::size_t i = 0; i < kRecentFileCount; ++i)
        out.push_back({recentFileKey(i), i < list.size() ? list[i] : std::string()});
    return out;
}

}  // namespace folvane::editor
