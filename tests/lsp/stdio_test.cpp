// folvane-cli lsp as a process: the framing on its real standard input
// and output, its exit status and its command line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include "cli_run.h"
#include "lsp/framing.h"
#include "temp_dir.h"

namespace folvane::lsp {
namespace {

using json = nlohmann::json;

class LspProcess : public folvane::testing::TempDirTest {
protected:
    struct Run {
        int status = -1;
        std::vector<json> messages;
    };
    Run run(const std::string& input, const std::string& args = "lsp") {
        const std::string in = write("in", input);
        const std::string out = dir_ + "/out";
        const std::string command = folvane::testing::shellWord(FOLVANE_CLI_PATH) + " " + args + " < " +
                                    folvane::testing::shellWord(in) + " > " + folvane::testing::shellWord(out) +
                                    " 2>/dev/null";
        Run r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::string bytes;
        text::readFile(out, bytes);
        FrameReader reader;
        reader.feed(bytes);
        while (auto f = reader.next()) {
            EXPECT_EQ(f->error, "");
            r.messages.push_back(json::parse(f->body));
        }
        EXPECT_EQ(reader.buffered(), 0u);
        return r;
    }
    static std::string framed(const json& m) { return frameMessage(m.dump()); }
};

TEST_F(LspProcess, ServesOverStandardInputAndOutput) {
    const std::string input =
        "Content-Length: abc\r\n\r\n" +
        framed({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}}) +
        frameMessage("{\"jsonrpc\":\"2.0\",\"id\":2,") +
        framed({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "textDocument/hover"}, {"params", json::object()}}) +
        framed({{"jsonrpc", "2.0"}, {"id", 4}, {"method", "shutdown"}}) + framed({{"jsonrpc", "2.0"}, {"method", "exit"}});
    const Run r = run(input);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.messages.size(), 5u);
    EXPECT_EQ(r.messages[0]["method"], "window/logMessage");  // the broken header
    EXPECT_EQ(r.messages[1]["id"], 1);
    EXPECT_EQ(r.messages[1]["result"]["capabilities"]["textDocumentSync"]["change"], 2);
    EXPECT_EQ(r.messages[2]["error"]["code"], -32700);
    EXPECT_TRUE(r.messages[2]["id"].is_null());
    EXPECT_EQ(r.messages[3]["error"]["code"], -32601);
    EXPECT_TRUE(r.messages[4]["result"].is_null());
}

TEST_F(LspProcess, ExitStatusFollowsTheProtocol) {
    const std::string init =
        framed({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    EXPECT_EQ(run(init + framed({{"jsonrpc", "2.0"}, {"method", "exit"}})).status, 1);  // no shutdown
    EXPECT_EQ(run(init).status, 1);                                                      // the input ends
    EXPECT_EQ(run("").status, 1);
}

TEST_F(LspProcess, TakesNoOptionsOrFiles) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"lsp", "--set", "fixQuotes=1"}, "option --set is not for lsp"},
        {{"lsp", "a.md"}, "lsp takes no FILE"},
    };
    for (const auto& c : cases) {
        const folvane::testing::CliRun r = folvane::testing::runCliInProcess(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
    EXPECT_NE(folvane::testing::runCliInProcess({"--help"}).out.find("  lsp "), std::string::npos);
}

}  // namespace
}  // namespace folvane::lsp
