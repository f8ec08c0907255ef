// Writes a generated benchmark article of N megabytes (default 10) to
// standard output, for measuring whole commands (peak memory, other tools).
#include <cstdio>
#include <cstdlib>

#include "article_generator.h"
#include "text/codec.h"

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 10.0;
    const bool utf8 = argc > 2 && std::string_view(argv[2]) == "utf-8";
    std::string a = folvane::bench::generateArticle(static_cast<std::size_t>(mb * 1000 * 1000));
    if (utf8) a = folvane::text::gb18030ToUtf8(a);
    std::fwrite(a.data(), 1, a.size(), stdout);
    return 0;
}
