#include "host/api/served_names.h"

#include "host/formats/frameroman.h"

namespace lxhost {

namespace {

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

std::string ServedNames::Serve(std::string_view utf8) {
    std::string served;
    Utf8ToFrameRoman(utf8, served);
    std::string back;
    FrameRomanToUtf8(served, back);
    if (back != utf8)
        altered_[served] = std::string(utf8);
    else
        altered_.erase(served); // the name as it is, served last, is the one meant now
    return served;
}

std::string ServedNames::Receive(std::string_view frameRoman) const {
    // The longest served name that is the whole name or a folder of it.
    const std::string* name = nullptr;
    std::size_t matched = 0;
    for (const auto& [served, utf8] : altered_) {
        if (served.size() > matched && frameRoman.starts_with(served) &&
            (frameRoman.size() == served.size() || IsPathSeparator(frameRoman[served.size()]))) {
            name = &utf8;
            matched = served.size();
        }
    }
    std::string out = name ? *name : std::string();
    FrameRomanToUtf8(frameRoman.substr(matched), out);
    return out;
}

} // namespace lxhost
