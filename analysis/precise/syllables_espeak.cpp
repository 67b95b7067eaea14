// Syllables from espeak-ng: the word's phonemes (IPA, one phoneme between separators), one
// syllable for each phoneme that is a vowel or a syllabic consonant. espeak-ng keeps global state
// and is not thread-safe, so every call goes through one lock, and each distinct word of each
// language is looked up once. The voice is changed only when a word of another language comes.
//
// The library is loaded when the first word is pronounced, not with the program: it brings a
// tree of audio libraries whose pages (some 3.7 MB) every run would otherwise hold.
#include "analysis/precise/languages.h"
#include "analysis/precise/precise.h"

#include "platform/shared_library.h"

#include <espeak-ng/speak_lib.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace lxprecise {

namespace {

// English is pronounced with the American voice, whose phonemes have no centring diphthongs, so
// that "idea" and "area" keep their three syllables (languages.cpp).
constexpr char kSeparator = '_';
// The phoneme mode: IPA names, kSeparator between phonemes.
constexpr int kPhonemeMode = 0x02 | (kSeparator << 8);
// The cache of pronounced words stops growing here (a text of generated identifiers).
constexpr std::size_t kMaxCachedWords = 1u << 20;
// A run of letters longer than this (no word of any dictionary) is pronounced in pieces of this
// length, so that untrusted text cannot hand espeak-ng one huge word.
constexpr std::size_t kMaxRunBytes = 64;

// The library's functions this file calls, found in the library once it is loaded.
struct Api {
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetVoiceByName) setVoiceByName = nullptr;
    decltype(&espeak_TextToPhonemes) textToPhonemes = nullptr;
    decltype(&espeak_Terminate) terminate = nullptr;
};

struct Engine {
    Api api;
    std::mutex lock;
    bool started = false;
    bool ready = false;
    std::string why;
    const Language* voice = nullptr;     // the voice set now
    std::set<const Language*> voiceless; // languages whose voice could not be set
    // The pronounced words, by language; all of them together stop growing at kMaxCachedWords.
    std::unordered_map<const Language*, std::unordered_map<std::string, int>> cache;
    std::size_t cached = 0;
};

Engine& TheEngine() {
    static Engine engine;
    return engine;
}

// Loads the library and finds its functions: false with the reason when it cannot. The library
// stays loaded for the rest of the program.
bool Load(Api& api, std::string* why) {
    std::string error;
    void* library =
        lxplatform::OpenSharedLibrary({LX_ESPEAK_SONAME, LX_ESPEAK_LIBRARY_PATH}, &error);
    if (library == nullptr) {
        *why = "espeak-ng could not be loaded (" + error + ")";
        return false;
    }
    const auto find = [library](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            lxplatform::SharedLibrarySymbol(library, name));
        return function != nullptr;
    };
    if (!find(api.initialize, "espeak_Initialize") ||
        !find(api.setVoiceByName, "espeak_SetVoiceByName") ||
        !find(api.textToPhonemes, "espeak_TextToPhonemes") ||
        !find(api.terminate, "espeak_Terminate")) {
        *why = "the espeak-ng library lacks the functions it is called through";
        return false;
    }
    return true;
}

// Starts espeak-ng once; the caller holds the lock.
bool Start(Engine& e) {
    if (e.started)
        return e.ready;
    e.started = true;
    if (!Load(e.api, &e.why))
        return false;
    if (e.api.initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) < 0) {
        e.why = "espeak-ng could not start (is its data installed?)";
        return false;
    }
    if (e.api.setVoiceByName(English().voice) != EE_OK) {
        e.why = std::string("espeak-ng has no '") + English().voice + "' voice";
        return false;
    }
    e.voice = &English();
    e.ready = true;
    // espeak-ng's tables are released when the program ends, after every lookup.
    std::atexit([] { TheEngine().api.terminate(); });
    return true;
}

// Sets the language's voice; the lock is held and espeak-ng started. A voice that cannot be set
// is remembered, and the one set before stays.
bool SelectVoice(Engine& e, const Language& language) {
    if (e.voice == &language)
        return true;
    if (e.voiceless.count(&language))
        return false;
    if (e.api.setVoiceByName(language.voice) != EE_OK) {
        e.voiceless.insert(&language);
        return false;
    }
    e.voice = &language;
    return true;
}

bool IsVowelSymbol(UChar32 c) {
    switch (c) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'y':
    case 0x00E6: // æ
    case 0x00F8: // ø
    case 0x0153: // œ
    case 0x0250: // ɐ
    case 0x0251: // ɑ
    case 0x0252: // ɒ
    case 0x0254: // ɔ
    case 0x0258: // ɘ
    case 0x0259: // ə
    case 0x025A: // ɚ
    case 0x025B: // ɛ
    case 0x025C: // ɜ
    case 0x025D: // ɝ
    case 0x025E: // ɞ
    case 0x0264: // ɤ
    case 0x0268: // ɨ
    case 0x026A: // ɪ
    case 0x026F: // ɯ
    case 0x0275: // ɵ
    case 0x0289: // ʉ
    case 0x028A: // ʊ
    case 0x028C: // ʌ
    case 0x028F: // ʏ
    case 0x1D7B: // ᵻ
    case 0x0329: // the mark of a syllabic consonant
        return true;
    default:
        return false;
    }
}

// The stress marks that stand before a stressed phoneme.
constexpr std::string_view kPrimaryStress = "\xCB\x88";   // ˈ
constexpr std::string_view kSecondaryStress = "\xCB\x8C"; // ˌ
constexpr std::string_view kSchwaAfterI = "i\xC9\x99";    // iə
constexpr std::string_view kLongISchwa = "i\xCB\x90\xC9\x99";
constexpr std::string_view kAiSchwa = "a\xC9\xAA\xC9\x99"; // aɪə
constexpr std::string_view kR = "\xC9\xB9";                // ɹ
constexpr std::string_view kNonSyllabic = "\xCC\xAF";      // U+032F, combining inverted breve

std::string_view WithoutStress(std::string_view phoneme) {
    while (phoneme.starts_with(kPrimaryStress) || phoneme.starts_with(kSecondaryStress))
        phoneme.remove_prefix(kPrimaryStress.size());
    return phoneme;
}

// The syllable nuclei of one phoneme: 1 for a vowel, a diphthong or a syllabic consonant, 0 for
// a consonant. The voice writes some pairs of vowels as one phoneme: "aɪə" (cli-ent, sci-ence)
// is two, and so is "iə" (i-de-a, ar-e-a) except before "ɹ", where it is the one vowel of
// "period" and "series".
// Other languages' voices write a vowel that is not a syllable of its own (the second half of
// German "Uhr", [u:ɐ̯]) with the non-syllabic mark, which ends no nucleus.
int NucleiOfPhoneme(std::string_view phoneme, std::string_view next, bool english) {
    phoneme = WithoutStress(phoneme);
    if (english && phoneme == kAiSchwa)
        return 2;
    if (english && (phoneme == kSchwaAfterI || phoneme == kLongISchwa))
        return WithoutStress(next).starts_with(kR) ? 1 : 2;
    if (phoneme.ends_with(kNonSyllabic) && !english)
        return 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(phoneme.data());
    const std::int32_t n = static_cast<std::int32_t>(phoneme.size());
    for (std::int32_t i = 0; i < n;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, n, c);
        if (c >= 0 && IsVowelSymbol(c))
            return 1;
    }
    return 0;
}

// Whether a phoneme is an unstressed "i" or "u": before another vowel, Italian says it as a
// glide of that vowel's syllable (tastiera, scuola), where the voice writes it as a vowel.
bool IsUnstressedHighVowel(std::string_view phoneme) {
    return phoneme == "i" || phoneme == "u";
}

int NucleiOfPhonemes(std::string_view phonemes, bool english, bool glides) {
    std::vector<std::string_view> list;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= phonemes.size(); ++i) {
        if (i == phonemes.size() || phonemes[i] == kSeparator || phonemes[i] == ' ') {
            if (i > from)
                list.push_back(phonemes.substr(from, i - from));
            from = i + 1;
        }
    }
    int count = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string_view next = i + 1 < list.size() ? list[i + 1] : std::string_view();
        if (glides && IsUnstressedHighVowel(list[i]) && NucleiOfPhoneme(next, {}, false) > 0)
            continue;
        count += NucleiOfPhoneme(list[i], next, english);
    }
    return count;
}

// The groups of vowels of a run of lower-case letters, at least 1: the count of a language whose
// voice espeak-ng does not have.
int VowelGroups(std::string_view run) {
    static constexpr std::string_view kVowels = "aeiouy\xC3\xA0\xC3\xA1\xC3\xA2\xC3\xA4"
                                                "\xC3\xA8\xC3\xA9\xC3\xAA\xC3\xAB\xC3\xAC"
                                                "\xC3\xAD\xC3\xAE\xC3\xAF\xC3\xB2\xC3\xB3"
                                                "\xC3\xB4\xC3\xB6\xC3\xB9\xC3\xBA\xC3\xBB"
                                                "\xC3\xBC\xC3\xA5\xC3\xA6\xC3\xB8";
    int groups = 0;
    bool inVowel = false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(run.data());
    const std::int32_t n = static_cast<std::int32_t>(run.size());
    for (std::int32_t i = 0; i < n;) {
        const std::int32_t from = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, n, c);
        const bool vowel = c >= 0 && kVowels.find(run.substr(static_cast<std::size_t>(from),
                                                             static_cast<std::size_t>(i - from))) !=
                                         std::string_view::npos;
        groups += vowel && !inVowel ? 1 : 0;
        inVowel = vowel;
    }
    return groups < 1 ? 1 : groups;
}

// The syllables of a run of lower-case letters, looked up by espeak-ng; the lock is held. A run
// that espeak-ng reads as several words (a run it spells letter by letter) counts the syllables
// of all of them: they are what a reader says for it.
int LookUp(Engine& e, const std::string& run, const Language& language) {
    std::unordered_map<std::string, int>& cache = e.cache[&language];
    auto found = cache.find(run);
    if (found != cache.end())
        return found->second;
    if (!SelectVoice(e, language))
        return VowelGroups(run);
    const bool english = &language == &English();
    int count = 0;
    const void* text = run.c_str();
    while (text) {
        const char* phonemes = e.api.textToPhonemes(&text, espeakCHARS_UTF8, kPhonemeMode);
        if (!phonemes)
            break;
        count += NucleiOfPhonemes(phonemes, english, language.highVowelGlides);
    }
    if (count < 1)
        count = 1;
    if (e.cached < kMaxCachedWords) {
        cache.emplace(run, count);
        ++e.cached;
    }
    return count;
}

void AppendLower(std::string* out, UChar32 c) {
    char buffer[4];
    std::int32_t n = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<std::uint8_t*>(buffer), n, 4, u_tolower(c), error);
    if (!error)
        out->append(buffer, static_cast<std::size_t>(n));
}

} // namespace

bool Available(std::string* why) {
    Engine& e = TheEngine();
    std::lock_guard<std::mutex> hold(e.lock);
    const bool ready = Start(e);
    if (!ready && why)
        *why = e.why;
    return ready;
}

int Syllables(std::string_view word) {
    return Syllables(word, English());
}

bool LanguageAvailable(const Language& language, std::string* why) {
    Engine& e = TheEngine();
    std::lock_guard<std::mutex> hold(e.lock);
    if (!Start(e)) {
        if (why)
            *why = e.why;
        return false;
    }
    if (!SelectVoice(e, language)) {
        if (why)
            *why = std::string("espeak-ng has no '") + language.voice + "' voice for " +
                   language.name + " (is its data installed?)";
        return false;
    }
    return true;
}

int Syllables(std::string_view word, const Language& language) {
    // The runs of letters, lower case; an apostrophe inside a word joins its letters ("don't").
    std::vector<std::string> runs(1);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(word.data());
    const std::int32_t n = static_cast<std::int32_t>(word.size());
    for (std::int32_t i = 0; i < n;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, n, c);
        if (c >= 0 && u_isalpha(c)) {
            if (runs.back().size() >= kMaxRunBytes)
                runs.emplace_back();
            AppendLower(&runs.back(), c);
        } else if (c == '\'' || c == 0x2019) {
            // English joins the letters ("don't"); other languages' voices read the apostrophe
            // themselves (French "aujourd'hui", "l'homme").
            if (&language != &English() && !runs.back().empty())
                runs.back() += '\'';
            continue;
        } else if (!runs.back().empty())
            runs.emplace_back();
    }
    Engine& e = TheEngine();
    std::lock_guard<std::mutex> hold(e.lock);
    if (!Start(e))
        return 1;
    int total = 0;
    for (const std::string& run : runs)
        if (!run.empty())
            total += LookUp(e, run, language);
    return total < 1 ? 1 : total;
}

} // namespace lxprecise
