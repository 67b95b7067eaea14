#include "host/formats/mif_languages.h"

namespace lxhost {

namespace {

struct MifLanguage {
    std::string_view name;
    std::string_view code;
};

constexpr MifLanguage kMifLanguages[] = {
    {"USEnglish", "en-US"},
    {"UKEnglish", "en-GB"},
    {"English", "en"},
    {"German", "de"},
    {"NewGerman", "de"},
    {"SwissGerman", "de-CH"},
    {"NewSwissGerman", "de-CH"},
    {"French", "fr"},
    {"CanadianFrench", "fr-CA"},
    {"Spanish", "es"},
    {"Catalan", "ca"},
    {"Italian", "it"},
    {"Portuguese", "pt"},
    {"Brazilian", "pt-BR"},
    {"Danish", "da"},
    {"Dutch", "nl"},
    {"Norwegian", "nb"},
    {"Nynorsk", "nn"},
    {"Finnish", "fi"},
    {"Swedish", "sv"},
    {"Polish", "pl"},
    {"Czech", "cs"},
    {"Hungarian", "hu"},
    {"Russian", "ru"},
    {"Greek", "el"},
    {"Turkish", "tr"},
    {"Japanese", "ja"},
    {"Korean", "ko"},
    {"SimplifiedChinese", "zh-CN"},
    {"TraditionalChinese", "zh-TW"},
};

} // namespace

std::string LanguageCodeOfMif(std::string_view name) {
    if (name.empty() || name == "NoLanguage")
        return "";
    for (const MifLanguage& l : kMifLanguages)
        if (l.name == name)
            return std::string(l.code);
    return std::string(name);
}

std::string MifLanguageOfCode(std::string_view code) {
    for (const MifLanguage& l : kMifLanguages)
        if (l.code == code)
            return std::string(l.name);
    return std::string(code);
}

} // namespace lxhost
