#include "lsp/server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "lsp/positions.h"
#include "cli_run.h"
#include "lsp_session.h"
#include "temp_dir.h"

namespace folvane::lsp {
namespace {

using json = nlohmann::json;
using testing::LspSession;

// Replays a recorded exchange: every "->" line is sent, and what the
// server sends in answer must be the "<-" lines that follow it, in order.
// With FOLVANE_RECORD=1 the file is written again with today's answers.
void replay(const std::string& name) {
    const std::string path = std::string(FOLVANE_LSP_DATA) + "/" + name;
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    const bool record = std::getenv("FOLVANE_RECORD") != nullptr;
    std::ostringstream recorded;
    LspSession s;
    std::vector<json> answers;
    std::size_t expectedAt = 0;
    auto checkRest = [&] {
        EXPECT_EQ(expectedAt, answers.size()) << name << ": the server sent less than recorded";
    };
    for (const std::string& l : lines) {
        if (l.starts_with("-> ")) {
            if (!record) checkRest();
            recorded << l << "\n";
            answers = s.sendText(l.substr(3));
            expectedAt = 0;
            for (const json& a : answers) recorded << "<- " << a.dump() << "\n";
        } else if (l.starts_with("<- ")) {
            if (record) continue;
            ASSERT_LT(expectedAt, answers.size()) << name << ": the server did not send\n" << l;
            EXPECT_EQ(answers[expectedAt], json::parse(l.substr(3))) << name << ": after\n" << l;
            ++expectedAt;
        } else if (!record || !l.starts_with("<- ")) {
            recorded << l << "\n";
        }
    }
    if (!record) checkRest();
    EXPECT_TRUE(s.server().exited());
    EXPECT_EQ(s.server().exitCode(), 0);
    if (record) std::ofstream(path) << recorded.str();
}

TEST(LspExchange, MarkdownInUtf16) { replay("markdown_session.txt"); }
TEST(LspExchange, TextInUtf8) { replay("text_session.txt"); }

TEST(LspServer, PositionEncodingIsTheClientsFirstOfThoseItOffers) {
    struct Case {
        json capabilities;
        std::string chosen;
        bool olderWay;
    };
    const Case cases[] = {
        {json::object(), "utf-16", false},
        {{{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}}, "utf-8", false},
        {{{"general", {{"positionEncodings", {"utf-32"}}}}}, "utf-32", false},
        {{{"general", {{"positionEncodings", {"utf-7", "utf-16"}}}}}, "utf-16", false},
        {{{"general", {{"positionEncodings", "utf-8"}}}}, "utf-16", false},
        {{{"offsetEncoding", {"utf-8"}}}, "utf-8", true},
    };
    for (const Case& c : cases) {
        LspSession s;
        const json r = s.start(c.capabilities);
        EXPECT_EQ(r["result"]["capabilities"]["positionEncoding"], c.chosen) << c.capabilities;
        EXPECT_EQ(r["result"].contains("offsetEncoding"), c.olderWay) << c.capabilities;
    }
}

TEST(LspServer, LifecycleAsTheProtocolSays) {
    LspSession s;
    EXPECT_EQ(s.request("textDocument/formatting", json::object())["error"]["code"], -32002);
    EXPECT_TRUE(s.notify("textDocument/didOpen", json::object()).empty());  // dropped before initialize
    s.start();
    EXPECT_EQ(s.request("initialize", {{"capabilities", json::object()}})["error"]["code"], -32600);
    EXPECT_TRUE(s.request("shutdown", nullptr)["result"].is_null());
    EXPECT_EQ(s.request("textDocument/formatting", json::object())["error"]["code"], -32600);
    EXPECT_FALSE(s.server().exited());
    s.notify("exit", nullptr);
    EXPECT_TRUE(s.server().exited());
    EXPECT_EQ(s.server().exitCode(), 0);

    LspSession early;
    early.start();
    early.notify("exit", nullptr);
    EXPECT_EQ(early.server().exitCode(), 1);  // no shutdown first
}

const std::string kUri = "file:///nonexistent-folvane/a.md";

json openParams(const std::string& text, const std::string& uri = kUri, const std::string& language = "markdown") {
    return {{"textDocument", {{"uri", uri}, {"languageId", language}, {"version", 1}, {"text", text}}}};
}

TEST(LspServer, BadMessagesGetTheirErrorsAndTheServerGoesOn) {
    LspSession s;
    s.start();
    s.notify("textDocument/didOpen", openParams("中文,好\n"));
    struct Case {
        std::string body;
        int code;  // 0: no answer
    };
    const Case cases[] = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,", -32700},
        {"not json at all", -32700},
        {"{\"a\":\"\xFF\"}", -32700},  // no UTF-8
        {"[1,2]", -32600},
        {"42", -32600},
        {R"({"jsonrpc":"2.0","id":{"x":1},"method":"shutdown"})", -32600},
        {R"({"jsonrpc":"2.0","id":3,"method":7})", -32600},
        {R"({"jsonrpc":"2.0","id":3})", -32600},
        {R"({"jsonrpc":"2.0","id":3,"method":"workspace/symbol","params":{}})", -32601},
        {R"({"jsonrpc":"2.0","id":3,"method":"$/unknown"})", -32601},
        {R"({"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":1}})", 0},
        {R"({"jsonrpc":"2.0","method":"workspace/unknownNotification"})", 0},
        {R"({"jsonrpc":"2.0","id":3,"result":null})", 0},  // a reply to the server
        {R"({"jsonrpc":"2.0","id":3,"method":"textDocument/codeAction","params":{"textDocument":{"uri":")" + kUri +
             R"("}}})",
         -32602},
        {R"({"jsonrpc":"2.0","id":3,"method":"textDocument/codeAction","params":{"textDocument":{"uri":")" + kUri +
             R"("},"range":{"start":{"line":-1,"character":0},"end":{"line":0,"character":0}}}})",
         -32602},
        {R"({"jsonrpc":"2.0","id":3,"method":"textDocument/formatting","params":{"textDocument":{"uri":"file:///no"}}})",
         -32602},
        {R"({"jsonrpc":"2.0","id":3,"method":"textDocument/formatting","params":[]})", -32602},
    };
    for (const Case& c : cases) {
        const std::vector<json> answers = s.sendText(c.body);
        if (c.code == 0) {
            EXPECT_TRUE(answers.empty()) << c.body;
            continue;
        }
        ASSERT_EQ(answers.size(), 1u) << c.body;
        EXPECT_EQ(answers[0]["error"]["code"], c.code) << c.body;
        EXPECT_TRUE(answers[0]["error"]["message"].is_string()) << c.body;
    }
    // A broken notification is logged, not answered.
    const std::vector<json> logged = s.notify("textDocument/didOpen", {{"textDocument", 5}});
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0]["method"], "window/logMessage");
    // The document is still there and still served.
    const json edits = s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["result"];
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]["newText"], "，");
    EXPECT_EQ(*s.server().documentText(kUri), "中文,好\n");
}

TEST(LspServer, AnExceptionInOneRequestIsAnErrorReplyAndNothingIsLost) {
    LspSession s;
    s.start();
    s.notify("textDocument/didOpen", openParams("中文,好\n"));
    bool fail = true;
    s.server().setBeforeHandling([&](std::string_view method) {
        if (fail && method == "textDocument/formatting") throw std::runtime_error("boom");
        if (fail && method == "textDocument/didChange") throw std::bad_alloc();
    });
    const json r = s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}});
    EXPECT_EQ(r["error"]["code"], -32603);
    EXPECT_EQ(r["error"]["message"], "内部错误：boom");
    const json change = {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                         {"contentChanges", {{{"text", "别的,文字\n"}}}}};
    const std::vector<json> logged = s.notify("textDocument/didChange", change);
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged[0]["method"], "window/logMessage");
    fail = false;
    // The editor has applied the change the server lost: nothing is
    // offered until the whole text comes again, and the text held stays.
    EXPECT_EQ(s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["error"]["code"], -32803);
    EXPECT_EQ(*s.server().documentText(kUri), "中文,好\n");
    s.notify("textDocument/didClose", {{"textDocument", {{"uri", kUri}}}});
    s.notify("textDocument/didOpen", openParams("别的,文字\n"));
    EXPECT_EQ(s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["result"].size(), 1u);
}

// A change the server cannot place leaves it out of step with the editor:
// it offers nothing (an edit could damage the editor's text) until the
// whole text comes again.
TEST(LspServer, AChangeThatCannotBeAppliedStopsTheEditsUntilTheWholeTextComes) {
    LspSession s;
    s.start();
    s.notify("textDocument/didOpen", openParams("中文,好\n"));
    const json backward = {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                           {"contentChanges",
                            {{{"range", {{"start", {{"line", 0}, {"character", 3}}}, {"end", {{"line", 0}, {"character", 1}}}}},
                              {"text", "x"}}}}};
    const std::vector<json> after = s.notify("textDocument/didChange", backward);
    EXPECT_EQ(LspSession::diagnosticsIn(after, kUri), json::array());
    const json r = s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}});
    EXPECT_EQ(r["error"]["code"], -32803);
    const json noText = {{"textDocument", {{"uri", kUri}, {"version", 3}}}, {"contentChanges", {{{"range", 1}}}}};
    s.notify("textDocument/didChange", noText);
    EXPECT_EQ(s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["error"]["code"], -32803);
    const json whole = {{"textDocument", {{"uri", kUri}, {"version", 4}}}, {"contentChanges", {{{"text", "新,文\n"}}}}};
    const std::vector<json> again = s.notify("textDocument/didChange", whole);
    EXPECT_EQ(LspSession::diagnosticsIn(again, kUri).size(), 1u);
    EXPECT_EQ(s.request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["result"].size(), 1u);
}

// Typing keeps the held text equal to the editor's, whatever the encoding.
TEST(LspServer, IncrementalChangesKeepTheTextInStep) {
    for (const char* encoding : {"utf-8", "utf-16", "utf-32"}) {
        LspSession s;
        s.start({{"general", {{"positionEncodings", {encoding}}}}});
        s.notify("textDocument/didOpen", openParams("😀𠀀\r\n中\n"));
        const std::string e = encoding;
        const std::size_t wide = e == "utf-8" ? 4 : e == "utf-16" ? 2 : 1, han = e == "utf-8" ? 3 : 1;
        auto change = [&](std::size_t l1, std::size_t c1, std::size_t l2, std::size_t c2, const std::string& text) {
            s.notify("textDocument/didChange",
                     {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                      {"contentChanges",
                       {{{"range", {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}}},
                         {"text", text}}}}});
        };
        change(0, wide, 0, wide, "a");          // between the two wide characters
        change(0, 2 * wide + 1, 1, 0, "|\r");    // over the "\r\n"
        change(1, han, 1, han + 5, "b");        // past the end of a line: its end
        change(9, 0, 9, 0, "end");              // past the last line: the end
        EXPECT_EQ(*s.server().documentText(kUri), "😀a𠀀|\r中b\nend") << encoding;
    }
}

class LspConfiguration : public folvane::testing::TempDirTest {};

TEST_F(LspConfiguration, SettingsComeFromTheRepositoryAndTheClientWins) {
    write(".folvanerc", "fixQuotes = 1\nstandard = tw\n[format]\n*.note = markdown\n");
    const std::string doc = write("a.note", "");
    const std::string uri = "file://" + doc;
    struct Case {
        json options;  // initializationOptions
        std::string expected;
    };
    const std::string text = "他说\"软件\",好\n";
    const Case cases[] = {
        {nullptr, "他说“软件”，好\n"},  // the repository's fixQuotes, as Markdown
        {{{"folvane", {{"switches", {{"fixQuotes", false}}}}}}, "他说\"软件\",好\n"},  // "," after a Latin mark
        {{{"folvane", {{"switches", {{"toTraditional", true}}}}}}, "他說“軟件”，好\n"},  // the repository's standard
        {{{"folvane", {{"switches", {{"toTraditional", 1}}}, {"standard", "twp"}}}}, "他說“軟體”，好\n"},
        {{{"switches", {{"fixPunctuation", 0}}}}, "他说“软件”,好\n"},  // without the "folvane" section
    };
    for (const Case& c : cases) {
        LspSession s;
        s.start(json::object(), c.options);
        s.notify("textDocument/didOpen", openParams(text, uri, "unknown"));
        const json edits = s.request("textDocument/formatting", {{"textDocument", {{"uri", uri}}}})["result"];
        std::string out = text;
        lsp::LineIndex index(out);
        for (auto e = edits.rbegin(); e != edits.rend(); ++e) {
            const auto at = [&](const json& p) {
                return index.offsetOf(out, {p["line"].get<std::size_t>(), p["character"].get<std::size_t>()},
                                      PositionEncoding::Utf16);
            };
            const std::size_t a = at((*e)["range"]["start"]), b = at((*e)["range"]["end"]);
            out.replace(a, b - a, (*e)["newText"].get<std::string>());
        }
        EXPECT_EQ(out, c.expected) << c.options;
    }
    // The configuration changes as the client says: diagnostics follow.
    LspSession s;
    s.start();
    s.notify("textDocument/didOpen", openParams(text, uri, "unknown"));
    std::vector<json> out = s.notify("workspace/didChangeConfiguration",
                                     {{"settings", {{"folvane", {{"switches", {{"fixQuotes", false}, {"fixPunctuation", false}}}}}}}});
    EXPECT_EQ(LspSession::diagnosticsIn(out, uri), json::array());
    out = s.notify("workspace/didChangeConfiguration",
                   {{"settings", {{"folvane", {{"switches", {{"bogus", true}}}, {"standard", "xx"}}}}}});
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0]["method"], "window/showMessage");
    EXPECT_EQ(out[0]["params"]["message"], "Folvane 设置：未知的开关：bogus");
    EXPECT_EQ(LspSession::diagnosticsIn(out, uri).size(), 2u);  // back to the repository's: “ and ”，
}

// Thousands of edits go as one edit of the changed stretch, which gives
// the same document.
TEST(LspServer, ManyEditsBecomeOne) {
    LspSession s;
    s.start();
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "第" + std::to_string(i) + "段\n";
    const std::string uri = "file:///nonexistent-folvane/many.txt";
    s.notify("textDocument/didOpen", openParams(text, uri, "plaintext"));
    const json edits = s.request("textDocument/formatting", {{"textDocument", {{"uri", uri}}}})["result"];
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]["range"]["start"], json({{"line", 0}, {"character", 0}}));
    EXPECT_EQ(edits[0]["range"]["end"], json({{"line", 4999}, {"character", 0}}));
    const folvane::testing::CliRun cli =
        folvane::testing::runCliInProcess({"--format", "text", "--no-rc", "--encoding", "utf-8", "-"}, text);
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    EXPECT_EQ(edits[0]["newText"].get<std::string>() + text.substr(lastLine), cli.out);
}

// A document of 50 MB is held and edited; it gets no diagnostics as it
// changes (the client is told once), and the server goes on.
TEST(LspServer, HugeDocumentsAreHeldWithoutAutomaticRuns) {
    LspSession s;
    s.start();
    std::string big;
    while (big.size() < (std::size_t{50} << 20)) big += "中文English混排,这是一行测试.\n";
    const std::size_t lines = std::count(big.begin(), big.end(), '\n');
    std::vector<json> out = s.notify("textDocument/didOpen", openParams(big));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]["method"], "window/showMessage");
    EXPECT_EQ(LspSession::diagnosticsIn(out, kUri), json::array());
    out = s.notify("textDocument/didChange",
                   {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                    {"contentChanges",
                     {{{"range", {{"start", {{"line", lines}, {"character", 0}}}, {"end", {{"line", lines}, {"character", 0}}}}},
                       {"text", "末尾"}}}}});
    ASSERT_EQ(out.size(), 1u);  // told once
    const std::string held = *s.server().documentText(kUri);
    EXPECT_EQ(held.size(), big.size() + 6);
    EXPECT_TRUE(held.ends_with("测试.\n末尾"));
    EXPECT_EQ(s.request("shutdown", nullptr)["result"], nullptr);
}

}  // namespace
}  // namespace folvane::lsp
