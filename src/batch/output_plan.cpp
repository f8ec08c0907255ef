#include "batch/output_plan.h"


#include <map>
#include <sys/stat.h>
#include <utility>

namespace folvane::batch {
namespace {

using FileId = std::pair<dev_t, ino_t>;

bool fileId(const std::string& path, FileId& id) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

}  // namespace

std::vector<PlannedOutput> planOutputs(const std::vector<std::string>& inputs, const std::string& outDir,
                                       bool merge) {
    std::vector<PlannedOutput> plan(inputs.size());
    const std::string prefix = outDir.empty() || outDir.ends_with('/') ? outDir : outDir + "/";
    for (std::size_t i = 0; i < inputs.size(); ++i) plan[i].path = prefix + outputNameFor(inputs[i]);
    if (merge) return plan;

    // The last position of every existing input file.
    std::vector<bool> hasId(inputs.size());
    std::vector<FileId> ids(inputs.size());
    std::map<FileId, std::size_t> lastRead;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        hasId[i] = fileId(inputs[i], ids[i]);
        if (hasId[i]) lastRead[ids[i]] = i;
    }
    std::map<std::string, std::size_t> writer;  // output path -> input that writes it
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        PlannedOutput& p = plan[i];
        FileId out;
        if (fileId(p.path, out)) {
            const auto it = lastRead.find(out);
            const bool itself = hasId[i] && ids[i] == out;
            if (it != lastRead.end() && it->second > i && !itself) {
                p.refusal = "its output " + p.path + " would replace the input " + inputs[it->second] +
                            " before that is read";
                continue;
            }
        }
        const auto [w, fresh] = writer.emplace(p.path, i);
        if (!fresh) {
            p.warning = p.path + " is written twice: the result of " + inputs[i] + " replaces that of " +
                        inputs[w->second];
            w->second = i;
        }
    }
    return plan;
}

std::string resultSeparator(const engine::TypesetOptions& o) {
    const std::string indent = engine::indentText(o);
    std::string s = "\r\n";
    if (o.doubleBreak) s += (o.fillBlankLines ? indent : std::string()) + "\r\n";
    if (o.tripleBreak) s += o.fillBlankLines ? indent + "\r\n" + indent + "\r\n" : std::string("\r\n\r\n");
    return s;
}

}  // namespace folvane::batch
