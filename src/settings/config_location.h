// Where "config.ini" lives: beside the program when its directory is
// writable (portable use), else in the user's configuration directory.
#pragma once

#include <functional>
#include <string>

namespace folvane::settings {

// What the choice depends on; injectable so that tests can pose any case.
struct ConfigLocationInputs {
    std::string executableDir;  // directory of the program file
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME; ignored unless absolute
    std::string home;           // the home directory
    // True when files can be created and renamed in the directory.
    std::function<bool(const std::string&)> isWritableDirectory;
    // Creates the directory and its missing parents; false on failure.
    std::function<bool(const std::string&)> makeDirectories;
};

// The inputs of this process: the directory of /proc/self/exe, the
// environment, the password database for a missing $HOME, and the real file
// system.
ConfigLocationInputs processConfigLocationInputs();

struct ConfigLocation {
    std::string path;       // the file's full path
    bool portable = false;  // beside the program
    std::string error;      // non-empty: the fallback directory could not be created
};

// "config.ini" in the program's directory when that is writable; otherwise
// `$XDG_CONFIG_HOME/folvane/config.ini` (`~/.config/folvane/config.ini`
// when $XDG_CONFIG_HOME is unset or not absolute), whose directory is
// created with mode 0700 when missing. The path is returned even when the
// directory cannot be created: reading then finds no file and writing
// reports the failure.
ConfigLocation locateConfig(const ConfigLocationInputs& inputs);

}  // namespace folvane::settings
