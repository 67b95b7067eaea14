// A build without espeak-ng: the precise profile cannot count syllables, so it is not available.
#include "analysis/precise/precise.h"

namespace lxprecise {

bool Available(std::string* why) {
    if (why)
        *why = "this build of lexameter has no espeak-ng, which the precise counting needs";
    return false;
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

} // namespace lxprecise
