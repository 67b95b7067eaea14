// Sentence boundaries of ASCII text without ICU's break iterator: the default sentence break
// rules of Unicode text segmentation, applied to ASCII alone, give the boundaries ICU's iterator
// gives there (the locales the profile uses have no rules of their own), in a single pass with
// no conversion. Most text is ASCII; any other text goes to ICU.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace lxprecise {

// The ends of the text's sentences as the iterator finds them, the last one the text's size;
// false (ends untouched) when the text has a byte outside ASCII, which the rules here do not
// classify. An empty text has no sentence.
bool AsciiSentenceEnds(std::string_view text, std::vector<std::size_t>* ends);

} // namespace lxprecise
