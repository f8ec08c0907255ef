// The decisions of New, Open, Save and closing.
#include <gtest/gtest.h>

#include "editor/document_flow.h"
#include "gbtext.h"

namespace {

using namespace folvane::editor;
using folvane::testing::g;

TEST(DocumentFlow, AnswerToTheSaveQuestion) {
    struct Case {
        SaveAnswer answer;
        bool saved;  // the outcome of the save, where one is made
        ConfirmStep step;
        bool proceeds;
    };
    const Case cases[] = {
        {SaveAnswer::Yes, true, ConfirmStep::SaveThenProceed, true},
        // A cancelled or failed save keeps the text: the command stops.
        {SaveAnswer::Yes, false, ConfirmStep::SaveThenProceed, false},
        {SaveAnswer::No, false, ConfirmStep::Proceed, true},
        {SaveAnswer::No, true, ConfirmStep::Proceed, true},
        {SaveAnswer::Cancel, true, ConfirmStep::Stop, false},
        {SaveAnswer::Cancel, false, ConfirmStep::Stop, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        EXPECT_EQ(stepAfter(c.answer), c.step);
        EXPECT_EQ(proceedsAfter(stepAfter(c.answer), c.saved), c.proceeds);
    }
}

TEST(DocumentFlow, LargeFilesOpenOnAWorker) {
    const struct {
        std::uint64_t bytes;
        bool background;
    } cases[] = {
        {0, false}, {kBackgroundOpenBytes - 1, false}, {kBackgroundOpenBytes, true}, {kBackgroundOpenBytes + 1, true},
        {std::uint64_t{5} << 30, true},
    };
    for (const auto& c : cases) EXPECT_EQ(opensInBackground(c.bytes), c.background) << c.bytes;
}

TEST(DocumentFlow, OpenFailureReasonInTheProgramsLanguage) {
    EXPECT_EQ(openFailureReason(false), g("文件不存在。"));
    EXPECT_EQ(openFailureReason(true), g("无法读取该文件。"));
}


TEST(DocumentFlow, LongestLineInBytesWithoutItsBreak) {
    struct Case {
        std::string text;
        std::size_t longest;
    };
    for (const Case& c : {Case{"", 0}, Case{"abc", 3}, Case{"a\r\nbcd\r\n", 3}, Case{"abcd\nx", 4},
                          Case{"a\rbc", 4}, Case{"ab\r\n\r\n", 2}})
        EXPECT_EQ(longestLine(c.text), c.longest) << c.text;
}

}  // namespace
