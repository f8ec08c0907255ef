// The conversion dictionaries, compiled at build time from the text files of
// data/dictionaries: each table is "key\tvalue\n" lines in GB18030, the
// first value of every entry, derived tables (reversed variants, the extra
// characters, simplified keys of regional phrases) included.
#pragma once

#include <cstddef>
#include <string_view>

namespace folvane::corrections::script {

struct TableData {
    std::string_view name;  // the dictionary's file name without ".txt"
    std::string_view lines;
};

extern const TableData kTables[];
extern const std::size_t kTableCount;

}  // namespace folvane::corrections::script
