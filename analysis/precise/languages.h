// The languages the precise profile counts: for each, the espeak-ng voice that pronounces its
// words, the ICU locale that cuts its sentences, and the abbreviations after which a sentence
// goes on. A text is counted by its language's rules; English is the profile's first language
// and the one a text is in when nothing says otherwise.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace lxprecise {

inline constexpr std::string_view kEnglish = "en";

struct Language {
    const char* code;   // ISO 639-1: "de"
    const char* name;   // in English, for messages: "German"
    const char* voice;  // espeak-ng's voice
    const char* locale; // ICU's locale for sentence breaks
    // Abbreviations, lower case, without their final period, written as in text ("z. b",
    // "e.g"): after one, the sentence goes on before a capital or a digit, before a small
    // letter, or before anything.
    std::span<const std::string_view> beforeCapital;
    std::span<const std::string_view> beforeLower;
    std::span<const std::string_view> always;
    // Whether an unstressed "i" or "u" before another vowel is a glide, not a syllable, where
    // the voice does not write it as one (Italian).
    bool highVowelGlides = false;
};

// The language of a code ("de", "DE", "de-CH", "de_AT": the first subtag counts); null for a
// language the profile does not know.
const Language* FindLanguage(std::string_view code);
// English's rules.
const Language& English();
// The first subtag of a code, lower case: "de-CH" -> "de".
std::string PrimaryLanguage(std::string_view code);
// The codes the profile knows, for messages: "da, de, en, ...".
std::string LanguageCodes();

} // namespace lxprecise
