// The passage that "快速隐藏编辑内容" swaps in for the editor's text at the
// first use: plain prose of two indented paragraphs, so that a glance at the
// screen shows nothing private.
#pragma once

#include <string>

namespace folvane::editor {

// GB18030, 901 bytes, "\r\n" between the two paragraphs.
const std::string& decoyPassage();

}  // namespace folvane::editor
