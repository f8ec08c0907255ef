#include "lsp/framing.h"

#include <gtest/gtest.h>

namespace folvane::lsp {
namespace {

// Each frame as "body" or "!error".
std::vector<std::string> framesOf(const std::vector<std::string>& feeds, std::size_t maxBody = 1000) {
    FrameReader r(maxBody);
    std::vector<std::string> out;
    for (const std::string& f : feeds) {
        r.feed(f);
        while (auto frame = r.next()) out.push_back(frame->error.empty() ? frame->body : "!" + frame->error);
    }
    return out;
}

TEST(FrameReader, CutsTheStreamIntoMessages) {
    struct Case {
        const char* what;
        std::vector<std::string> feeds;
        std::vector<std::string> frames;
    };
    const std::string a = "Content-Length: 2\r\n\r\n{}";
    const std::string b = "Content-Length: 7\r\n\r\n[1,2,3]";
    const Case cases[] = {
        {"two in one piece", {a + b}, {"{}", "[1,2,3]"}},
        {"header and body apart", {"Content-Length: 2\r\n", "\r\n", "{", "}"}, {"{}"}},
        {"other fields, any case", {"content-type: application/vscode-jsonrpc; charset=utf-8\r\nCONTENT-LENGTH:  2 \r\n\r\n{}"},
         {"{}"}},
        {"a body holding a header", {"Content-Length: 21\r\n\r\nContent-Length: 2\r\n\r\n" + a}, {"Content-Length: 2\r\n\r\n", "{}"}},
        {"blank lines between messages", {a + "\r\n\r\n" + b}, {"{}", "[1,2,3]"}},
        {"no length", {"Content-Type: x\r\n\r\n" + a}, {"!header without Content-Length", "{}"}},
        {"a length that is no number", {"Content-Length: 2x\r\n\r\n{}" + b},
         {"!Content-Length is not a number", "[1,2,3]"}},
        {"garbage before a header", {"{\"id\":1}" + a}, {"!header without Content-Length", "{}"}},
        {"a body over the limit, dropped as it comes",
         {"Content-Length: 1500\r\n\r\n" + std::string(700, 'x'), std::string(800, 'y') + a},
         {"!message of 1500 bytes refused (more than 1000)", "{}"}},
        {"an empty body", {"Content-Length: 0\r\n\r\n" + a}, {"", "{}"}},
    };
    for (const Case& c : cases) EXPECT_EQ(framesOf(c.feeds), c.frames) << c.what;
}

TEST(FrameReader, ByteByByteGivesTheSameMessages) {
    const std::string stream = "Content-Length: 2\r\n\r\n{}Content-Length: x\r\n\r\nContent-Length: 3\r\n\r\n[1]";
    std::vector<std::string> bytes;
    for (char c : stream) bytes.emplace_back(1, c);
    EXPECT_EQ(framesOf(bytes), framesOf({stream}));
    EXPECT_EQ(framesOf({stream}), (std::vector<std::string>{"{}", "!Content-Length is not a number", "[1]"}));
}

TEST(FrameReader, AHeaderWithoutEndIsDroppedAndTheStreamGoesOn) {
    const std::vector<std::string> frames =
        framesOf({std::string(10000, 'z'), "Content-Length: 2\r\n\r\n{}"});
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames.front().substr(0, 18), "!header too long o");
    EXPECT_EQ(frames.back(), "{}");
}

// A body of 50 MB in the pieces a pipe gives: taken whole, the buffer
// not copied again for every piece.
TEST(FrameReader, LargeBodiesArriveWhole) {
    const std::size_t size = std::size_t{50} << 20;
    FrameReader r;
    r.feed("Content-Length: " + std::to_string(size) + "\r\n\r\n");
    const std::string piece(65536, 'a');
    std::size_t fed = 0;
    while (fed < size) {
        const std::size_t n = std::min(piece.size(), size - fed);
        r.feed(std::string_view(piece).substr(0, n));
        fed += n;
        if (fed < size) {
            ASSERT_FALSE(r.next());
        }
    }
    const auto frame = r.next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->body.size(), size);
    EXPECT_EQ(r.buffered(), 0u);
}

}  // namespace
}  // namespace folvane::lsp
