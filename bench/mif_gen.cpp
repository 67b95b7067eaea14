#include "bench/mif_gen.h"

#include <vector>

namespace lxbench {

namespace {

const char* const kWords[] = {
    "the",      "pump",        "controller", "pressure", "set",     "point",   "is",
    "a",        "value",       "that",       "operator", "adjusts", "during",  "commissioning",
    "of",       "station",     "and",        "must",     "be",      "checked", "every",
    "year",     "transducer",  "signal",     "between",  "four",    "twenty",  "milliamps",
    "motor",    "speed",       "increases",  "when",     "demand",  "rises",   "water",
    "valve",    "closes",      "slowly",     "to",       "avoid",   "hammer",  "in",
    "pipework", "maintenance", "technician", "records",  "results", "log"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

// Made-up words are consonant-vowel syllables, so a word reads back into its syllables in one
// way only: different numbers give different words.
constexpr char kConsonants[] = "bdfgklmnprstvz";
constexpr char kVowels[] = "aeiou";
constexpr int kConsonantCount = sizeof kConsonants - 1;
constexpr int kVowelCount = sizeof kVowels - 1;
constexpr int kSyllables = kConsonantCount * kVowelCount;

std::vector<std::string> Vocabulary(int distinct) {
    std::vector<std::string> words(kWords, kWords + kWordCount);
    for (int i = 0; static_cast<int>(words.size()) < distinct; ++i)
        words.push_back(MadeUpWord(i));
    return words;
}

} // namespace

std::string MadeUpWord(int i) {
    // Two syllables for the first kSyllables^2 numbers, then three, then four.
    int syllables = 2;
    for (int block = kSyllables * kSyllables; i >= block && syllables < 4; block *= kSyllables) {
        i -= block;
        ++syllables;
    }
    std::string word;
    for (int s = 0; s < syllables; ++s) {
        const int syllable = i % kSyllables;
        i /= kSyllables;
        word += kConsonants[syllable / kVowelCount];
        word += kVowels[syllable % kVowelCount];
    }
    return word;
}

std::string GenerateMif(const MifGenOptions& options) {
    const std::vector<std::string> vocabulary = Vocabulary(options.distinct);
    const auto vocabularySize = static_cast<unsigned>(vocabulary.size());
    std::string mif = "<MIFFile 7.00> # generated\n<Units Upt>\n<PgfCatalog\n"
                      " <Pgf <PgfTag `Body'> <PgfFont <FSize 11 pt>>>\n"
                      " <Pgf <PgfTag `Heading2'> <PgfFont <FSize 14 pt> <FWeight `Bold'>>>\n"
                      ">\n<Page <PageType BodyPage> <TextRect <ID 1> <ShapeRect 72 72 468 648>>>\n"
                      "<TextFlow <TFTag `A'> <TFAutoConnect Yes>\n";
    unsigned seed = options.seed;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    // Wider draws for large vocabularies: two 15-bit draws make a 30-bit one.
    auto draw = [&next, vocabularySize] {
        if (vocabularySize <= kWordCount)
            return next() % vocabularySize;
        const unsigned high = next();
        return (high << 15 | next()) % vocabularySize;
    };
    const int words = options.words;
    int written = 0;
    int para = 0;
    while (written < words) {
        const bool heading = para % 25 == 0;
        const int n = heading ? 4 : 12 + static_cast<int>(next() % 19);
        mif += heading ? "<Para <PgfTag `Heading2'>\n" : "<Para <PgfTag `Body'>\n";
        mif += para == 0 ? " <ParaLine <TextRectID 1>" : " <ParaLine";
        std::string line;
        for (int i = 0; i < n && written < words; ++i, ++written) {
            // The capitalised first word comes from the small vocabulary: a capital form of
            // every made-up word would double the number of distinct words.
            std::string w = i == 0 ? kWords[next() % kWordCount] : vocabulary[draw()];
            if (i == 0) {
                w[0] = static_cast<char>(w[0] - 'a' + 'A');
            }
            line += w;
            line += i + 1 == n ? "." : " ";
            if (line.size() > 66 || i + 1 == n) {
                mif += " <String `" + line + "'>>\n";
                line.clear();
                // No new line when the document's last word was just written: it would be
                // left open.
                if (i + 1 < n && written + 1 < words) {
                    mif += next() % 8 == 0 ? " <ParaLine <Char Tab>" : " <ParaLine";
                }
            }
        }
        if (!line.empty()) {
            mif += " <String `" + line + "'>>\n";
        }
        mif += "> # end of Para\n";
        ++para;
    }
    mif += "> # end of TextFlow\n";
    return mif;
}

} // namespace lxbench
