// A build without ICU and espeak-ng (the Windows build): the precise profile is not available.
#include "analysis/precise/precise.h"

namespace lxprecise {

bool Available(std::string* why) {
    if (why)
        *why = "this build of lexameter has no espeak-ng, which the precise counting needs";
    return false;
}
std::vector<Span> Sentences(std::string_view) {
    return {};
}
std::vector<Span> Words(std::string_view) {
    return {};
}
int Syllables(std::string_view) {
    return 1;
}
int Syllables(std::string_view, const Language&) {
    return 1;
}
bool LanguageAvailable(const Language&, std::string* why) {
    return Available(why);
}
int Characters(std::string_view) {
    return 0;
}
Word CountWord(std::string_view, bool) {
    return {};
}
std::vector<Sentence> Analyse(std::string_view) {
    return {};
}
std::vector<Span> Sentences(std::string_view, const Language&) {
    return {};
}
Word CountWord(std::string_view, bool, const Language&) {
    return {};
}
std::vector<Sentence> Analyse(std::string_view, const Language&) {
    return {};
}
void CountText(std::string_view, ReadabilityCounts*, std::int32_t*) {}

} // namespace lxprecise
