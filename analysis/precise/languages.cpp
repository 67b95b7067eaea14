#include "analysis/precise/languages.h"

#include <algorithm>
#include <array>

namespace lxprecise {

namespace {

// English: titles and references before a name or a number; Latin abbreviations before the
// rest of their sentence.
constexpr std::string_view kEnglishBeforeCapital[] = {
    "mr", "mrs", "ms", "dr",   "st",  "prof", "fig", "figs", "no", "nos", "inc", "ltd",
    "jr", "sr",  "co", "corp", "vol", "p",    "pp",  "sec",  "ch", "eq",  "ref", "approx"};
constexpr std::string_view kEnglishBeforeLower[] = {"etc", "e.g", "i.e", "vs", "cf"};

// German capitalises its nouns, so most of its abbreviations go on before anything; "usw." and
// "etc." end as many sentences as they continue, and go on only before a small letter.
constexpr std::string_view kGermanAlways[] = {
    "z. b", "z.b", "d. h", "d.h", "u. a", "u.a",  "z. t",    "z.t",  "nr",   "abb", "vgl",
    "bzw",  "ca",  "s",    "dr",  "prof", "hr",   "ggf",     "evtl", "inkl", "sog", "bspw",
    "str",  "tab", "kap",  "bd",  "u. u", "o. ä", "i. d. r", "geb",  "zzgl", "gem", "allg"};
constexpr std::string_view kGermanBeforeLower[] = {"usw", "etc", "u. ä"};

// clang-format off
constexpr std::string_view kFrenchAlways[] = {
    "p. ex",
    "p.ex",
    "m",
    "mm",
    "mme",
    "mlle",
    "dr",
    "pr",
    "no",
    "n°",
    "fig",
    "cf",
    "env",
    "p",
    "pp",
    "chap",
    "vol",
    "art",
    "c.-à-d",
    "ex",
    "éd",
    "réf",
    "sq",
    "av",
    "bd",
    "st",
    "ste",
};
// clang-format on
constexpr std::string_view kFrenchBeforeLower[] = {"etc"};

constexpr std::string_view kSpanishAlways[] = {
    "sr",  "sra",  "srta", "dr",  "dra",  "p. ej", "p.ej", "núm",   "nº",  "no",
    "pág", "págs", "fig",  "cap", "ud",   "uds",   "vol",  "aprox", "art", "av",
    "d",   "dña",  "lic",  "ing", "prof", "ej",    "cf",   "vid"};
constexpr std::string_view kSpanishBeforeLower[] = {"etc"};

constexpr std::string_view kItalianAlways[] = {
    "sig", "sigg", "sig.ra", "dott", "dott.ssa", "ing", "avv", "prof",
    "pag", "pagg", "p. es",  "p.es", "ad es",    "n",   "nr",  "fig",
    "cap", "art",  "vol",    "ca",   "cfr",      "es",  "sg",  "dr"};
constexpr std::string_view kItalianBeforeLower[] = {"ecc", "etc"};

constexpr std::string_view kDutchAlways[] = {
    "bijv", "b.v", "d.w.z", "o.a", "m.a.w", "nr",  "blz", "fig", "dhr",   "mevr",  "dr",    "prof",
    "ir",   "ing", "mr",    "zgn", "resp",  "vgl", "ca",  "evt", "t.a.v", "i.p.v", "m.b.t", "hfst"};
constexpr std::string_view kDutchBeforeLower[] = {"enz", "etc"};

// A few common abbreviations of the languages counted without a list of their own.
constexpr std::string_view kNordicAlways[] = {"bl.a", "f.eks", "nr", "s", "fig", "dr", "kap"};
constexpr std::string_view kNordicBeforeLower[] = {"osv", "mm", "etc", "o.l", "m.m"};
constexpr std::string_view kPortugueseAlways[] = {"sr",  "sra", "dr",  "dra", "p. ex", "n.º",
                                                  "pág", "fig", "cap", "art", "vol"};
constexpr std::string_view kPortugueseBeforeLower[] = {"etc"};
constexpr std::string_view kPolishAlways[] = {"np",  "nr", "dr", "prof", "str", "rys",
                                              "tzn", "tj", "ok", "godz", "ul"};
constexpr std::string_view kPolishBeforeLower[] = {"itd", "itp", "etc"};

constexpr std::span<const std::string_view> kNone;

// By code. English first: it is the language of a text that says nothing.
const Language kLanguages[] = {
    {"en", "English", "en-us", "en", kEnglishBeforeCapital, kEnglishBeforeLower, kNone},
    {"de", "German", "de", "de", kNone, kGermanBeforeLower, kGermanAlways},
    {"fr", "French", "fr", "fr", kNone, kFrenchBeforeLower, kFrenchAlways},
    {"es", "Spanish", "es", "es", kNone, kSpanishBeforeLower, kSpanishAlways},
    {"it", "Italian", "it", "it", kNone, kItalianBeforeLower, kItalianAlways, true},
    {"nl", "Dutch", "nl", "nl", kNone, kDutchBeforeLower, kDutchAlways},
    {"da", "Danish", "da", "da", kNone, kNordicBeforeLower, kNordicAlways},
    {"nb", "Norwegian", "nb", "nb", kNone, kNordicBeforeLower, kNordicAlways},
    {"sv", "Swedish", "sv", "sv", kNone, kNordicBeforeLower, kNordicAlways},
    {"pl", "Polish", "pl", "pl", kNone, kPolishBeforeLower, kPolishAlways},
    {"pt", "Portuguese", "pt", "pt", kNone, kPortugueseBeforeLower, kPortugueseAlways},
};

} // namespace

std::string PrimaryLanguage(std::string_view code) {
    std::string out;
    for (char c : code) {
        if (c == '-' || c == '_')
            break;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

const Language* FindLanguage(std::string_view code) {
    const std::string primary = PrimaryLanguage(code);
    // "no", the macrolanguage, is written as Norwegian Bokmal.
    const std::string_view wanted = primary == "no" ? "nb" : std::string_view(primary);
    for (const Language& l : kLanguages)
        if (wanted == l.code)
            return &l;
    return nullptr;
}

const Language& English() {
    return kLanguages[0];
}

std::string LanguageCodes() {
    std::array<std::string_view, std::size(kLanguages)> codes;
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = kLanguages[i].code;
    std::sort(codes.begin(), codes.end());
    std::string out;
    for (std::string_view c : codes) {
        if (!out.empty())
            out += ", ";
        out += c;
    }
    return out;
}

} // namespace lxprecise
