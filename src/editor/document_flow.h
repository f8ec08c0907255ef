// The decisions of New, Open, Save and closing that need no window: how an
// answer to the save question goes on, which files are read on a worker,
// and what the user is told when a file cannot be opened. Texts are GB18030.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace folvane::editor {

// The answer to "save the changes first?" (Yes/No/Cancel).
enum class SaveAnswer { Yes, No, Cancel };

// What the command does after the answer.
enum class ConfirmStep {
    Proceed,          // No: go on without saving
    SaveThenProceed,  // Yes: go on only if the save really succeeded
    Stop,             // Cancel (or the question closed): the command stops
};

ConfirmStep stepAfter(SaveAnswer answer);

// Whether the command goes on once the step has been taken; `saved` is the
// outcome of the save for SaveThenProceed (ignored otherwise). A cancelled or
// failed save must not let New, Open or closing discard the text.
bool proceedsAfter(ConfirmStep step, bool saved);

// Files from this size on are read and prepared on a worker, so that the
// window keeps responding while a large file is opened.
inline constexpr std::uint64_t kBackgroundOpenBytes = 512 * 1024;
bool opensInBackground(std::uint64_t fileBytes);

// Why a file could not be opened, in the program's language (the system's
// own reason is English). A FIFO, a device or a socket is no regular file
// and is never read.
std::string openFailureReason(bool fileExists, bool regularFile = true);

// The longest line the editor shows: every key typed in a line lays the
// whole line out again, which for a longer one takes more than a tenth of
// a second. A file with a longer line (a text without line breaks) is not
// opened; folvane-cli takes it.
inline constexpr std::size_t kLongestShownLine = 256 * 1024;
// The length in bytes of the longest line of a text ("\r\n" breaks).
std::size_t longestLine(std::string_view text);
// The message for such a file.
std::string lineTooLongReason();

}  // namespace folvane::editor
