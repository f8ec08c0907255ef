// Build tool: enciphers a text file of the program's own for its resources.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "web/cipher.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PLAIN-FILE OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << folvane::web::encipher(plain, folvane::web::kResourceKey);
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
