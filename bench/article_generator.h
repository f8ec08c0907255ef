// Generated articles for the benchmarks: the shapes typesetting meets in
// practice, from a fixed seed so that every run measures the same bytes.
#pragma once

#include <cstddef>
#include <string>

namespace folvane::bench {

// About `bytes` bytes of GB18030 prose: paragraphs broken every 30-60
// characters, blank lines, half-width punctuation after Chinese text, quotes
// and noise at line heads and ends, "\r\n" line breaks.
std::string generateArticle(std::size_t bytes, unsigned seed = 20261208);

// Adversarial single shapes of about `bytes` bytes each.
std::string quotesLine(std::size_t bytes, unsigned seed = 7);  // only " and '
std::string emptyLines(std::size_t bytes);                     // "\r\n" repeated
std::string dotsLine(std::size_t bytes);                       // "..." repeated
std::string angleLine(std::size_t bytes);                      // "<<" repeated
std::string indentedBreaks(std::size_t bytes);                 // "\r\n　　" repeated
// One line of Chinese characters, each followed by a random run of . , : ; ? !
std::string marksAfterChinese(std::size_t bytes, unsigned seed = 9);

}  // namespace folvane::bench
