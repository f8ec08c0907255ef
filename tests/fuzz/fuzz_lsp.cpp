// The language server's reader: bytes cut into messages by the framing,
// each message handled, in pieces of any size.
//
// Invariants: nothing the stream holds ends or stops the server (no
// exception, no crash); every message the server sends is JSON; the text
// held for the document stays valid UTF-8 whatever the changes say.
#include <nlohmann/json.hpp>

#include "fuzz_input.h"
#include "lsp/framing.h"
#include "lsp/server.h"
#include "text/codec.h"

using namespace folvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.byte();
    const std::size_t piece = (flags & 0x3F) + 1;
    const std::string_view stream = in.rest();

    lsp::LanguageServer server([](std::string_view body) {
        fuzz::require(!nlohmann::json::parse(body, nullptr, false).is_discarded(), "the server sends JSON");
    });
    const std::string uri = "file:///nonexistent-folvane/f.md";
    // A session under way, in the encoding the flags choose, so that
    // changes and requests meet a document.
    const char* encoding = (flags & 0xC0) == 0x40 ? "utf-8" : (flags & 0xC0) == 0x80 ? "utf-32" : "utf-16";
    server.receive(std::string(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{"general":{"positionEncodings":[")") +
                   encoding + R"("]}}}})");
    server.receive(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" + uri +
                   R"(","languageId":"markdown","version":1,"text":"中文English混排,😀测试.\n\n他说\"你好\"\n"}}})");
    server.flush();

    lsp::FrameReader reader(1 << 16);
    for (std::size_t at = 0; at < stream.size() && !server.exited(); at += piece) {
        reader.feed(stream.substr(at, piece));
        while (auto f = reader.next()) {
            if (f->error.empty()) server.receive(f->body);
            else server.streamError(f->error);
            server.flush();
            if (const auto held = server.documentText(uri))
                fuzz::require(text::isValidUtf8(*held), "the held text is UTF-8");
        }
    }
    return 0;
}
