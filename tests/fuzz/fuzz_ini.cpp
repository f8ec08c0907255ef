// The settings store: any bytes parse and give themselves back; a key set
// is read back with its value, and setting it again with the same value
// changes nothing.
#include "fuzz_input.h"
#include "settings/ini_store.h"

using namespace folvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string section(in.piece()), key(in.piece()), value(in.piece());
    const std::string_view bytes = in.rest();
    settings::IniText ini(bytes);
    fuzz::require(ini.bytes() == bytes, "parsing and writing back changes the bytes");
    if (!settings::isValidSection(section) || !settings::isValidKey(key) || !settings::isValidValue(value)) return 0;
    ini.set(section, key, value);
    const std::string written = ini.bytes();
    const settings::IniText reread(written);
    const auto found = reread.find(section, key);
    fuzz::require(found && *found == value, "a value set is not read back");
    settings::IniText again(written);
    again.set(section, key, value);
    fuzz::require(again.bytes() == written, "setting the same value again changes the file");
    return 0;
}
