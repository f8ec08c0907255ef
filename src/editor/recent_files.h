// The list "最近打开的文件": the last files opened or saved, newest first,
// and how it is kept in config.ini.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_store.h"

namespace folvane::editor {

inline constexpr std::size_t kRecentFileCount = 10;

// The config.ini key of entry `index` (0-based): "最近打开的文件1" to
// "最近打开的文件10", GB18030.
std::string recentFileKey(std::size_t index);

// `path` becomes the first entry; an entry naming the same path goes, and
// the list keeps at most kRecentFileCount entries. An empty path, or one
// that cannot be stored on an INI line, changes nothing.
std::vector<std::string> withRecentFile(std::vector<std::string> list, const std::string& path);

// The list without `path`.
std::vector<std::string> withoutRecentFile(std::vector<std::string> list, const std::string& path);

// The entries for which `exists` fails are taken out; they are returned in
// `missing`, in list order.
std::vector<std::string> withoutMissingFiles(std::vector<std::string> list,
                                             const std::function<bool(const std::string&)>& exists,
                                             std::vector<std::string>* missing);

// The list as stored (empty values skipped, duplicates and entries past the
// tenth ignored), and the assignments that store it: every one of the ten
// keys, the unused ones empty. No other key is touched.
std::vector<std::string> readRecentFiles(const settings::IniText& ini, std::string_view section);
std::vector<settings::IniAssignment> recentFileAssignments(const std::vector<std::string>& list);

}  // namespace folvane::editor
