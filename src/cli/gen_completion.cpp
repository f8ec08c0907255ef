// Writes folvane-cli's bash completion from its template, with the switch
// names of the switch table in place of "@SWITCHES@" and the command names in
// place of "@COMMANDS@", so that the completion never lists them by hand. Usage: folvane-gen-completion TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/cli_args.h"
#include "engine/typeset_options.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: folvane-gen-completion TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string script = buffer.str();
    std::string switches, commands;
    for (const auto& f : folvane::engine::typesetOptionFields())
        switches += (switches.empty() ? "" : " ") + std::string(f.name);
    for (const auto name : folvane::cli::commandNames()) commands += (commands.empty() ? "" : " ") + std::string(name);
    for (const auto& [marker, words] : {std::pair<std::string, std::string>{"@SWITCHES@", switches},
                                        std::pair<std::string, std::string>{"@COMMANDS@", commands}}) {
        const std::size_t at = script.find(marker);
        if (!in || at == std::string::npos) {
            std::cerr << "folvane-gen-completion: " << argv[1] << " is unreadable or has no " << marker << "\n";
            return 1;
        }
        script.replace(at, marker.size(), words);
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << script;
    return out.flush() ? 0 : 1;
}
