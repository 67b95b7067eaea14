#include "analysis/measures.h"

#include "support/mem.h"
#include "support/printf.h"
#include "support/str.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kFleschBase = 206.835;
constexpr double kFleschSyllables = 84.6;
constexpr double kFleschWords = 1.015;
constexpr double kKincaidWords = 0.39;
constexpr double kKincaidSyllables = 11.8;
constexpr double kKincaidBase = 15.59;
constexpr double kAriCharacters = 4.71;
constexpr double kAriWords = 0.5;
constexpr double kAriBase = 21.43;
constexpr double kSmogSentences = 30.0;
constexpr double kSmogFactor = 1.043;
constexpr double kSmogBase = 3.1291;
constexpr double kFogComplex = 40.0;
constexpr double kFogWords = 0.4;

// Room for the digits of any int32 with its sign and commas.
constexpr std::size_t kCountDigitsSize = 16;

void SetDecimal(MeasureLine& line, double value) {
    FormatMeasureValue(value, line.value, sizeof line.value);
}

void SetCount(MeasureLine& line, std::int32_t value) {
    char* text = FormatCount(value, "");
    StrCopyN(line.value, text ? text : "0", sizeof line.value);
    MemFree(text);
}

MeasureLine& Add(MeasureLine* lines, int& n, const char* label) {
    MeasureLine& line = lines[n++];
    line.label = label;
    line.value[0] = '\0';
    line.alertBreak = kLineBreakSingle;
    line.spacerInDocument = false;
    return line;
}

} // namespace

MeasureValues ComputeMeasureValues(const ReadabilityCounts& counts) {
    const double paragraphs = counts.paragraphs;
    const double sentences = counts.sentences;
    const double syllables = counts.syllables;
    const double words = counts.words;
    const double characters = counts.characters;
    const double complexWords = counts.complexWords;
    MeasureValues v;
    v.fleschReadingEase =
        (kFleschBase - syllables * kFleschSyllables / words) - words * kFleschWords / sentences;
    v.fleschKincaidGrade =
        words * kKincaidWords / sentences + syllables * kKincaidSyllables / words - kKincaidBase;
    v.ari = characters * kAriCharacters / words + words * kAriWords / sentences - kAriBase;
    v.smog = std::sqrt(complexWords * kSmogSentences / sentences) * kSmogFactor + kSmogBase;
    v.fog = complexWords * kFogComplex / words + words * kFogWords / sentences;
    v.sentencesPerParagraph = sentences / paragraphs;
    v.wordsPerSentence = words / sentences;
    return v;
}

void FormatMeasureValue(double value, char* out, std::size_t size) {
    if (!out || size == 0)
        return;
    if (!std::isfinite(value)) {
        StrCopyN(out, kMeasureNotAvailable, size);
        return;
    }
    StrPrintfN(out, size, "%.1f", value);
}

int MeasureLines(Measure measure, const ReadabilityCounts& counts, MeasureLine* lines) {
    const MeasureValues v = ComputeMeasureValues(counts);
    int n = 0;
    switch (measure) {
    case MeasureFlesch:
        SetDecimal(Add(lines, n, "Flesch Reading Ease: "), v.fleschReadingEase);
        SetDecimal(Add(lines, n, "Flesch-Kincaid Grade Level: "), v.fleschKincaidGrade);
        break;
    case MeasureAri:
        SetDecimal(Add(lines, n, "ARI Grade Level: "), v.ari);
        break;
    case MeasureSmog:
        SetDecimal(Add(lines, n, "SMOG Grade Level: "), v.smog);
        break;
    case MeasureFog: {
        MeasureLine& fog = Add(lines, n, "Gunning Fog Index: ");
        SetDecimal(fog, v.fog);
        fog.spacerInDocument = true;
        break;
    }
    case MeasureCounts: {
        SetCount(Add(lines, n, "Total Paragraphs: "), counts.paragraphs);
        SetCount(Add(lines, n, "Total Sentences: "), counts.sentences);
        SetCount(Add(lines, n, "Total Words: "), counts.words);
        MeasureLine& chars = Add(lines, n, "Total Characters: ");
        SetCount(chars, counts.characters);
        chars.alertBreak = kLineBreakDouble;
        chars.spacerInDocument = true;
        SetDecimal(Add(lines, n, "Average Sentences per Paragraph: "), v.sentencesPerParagraph);
        MeasureLine& avg = Add(lines, n, "Average Words per Sentence: ");
        SetDecimal(avg, v.wordsPerSentence);
        avg.alertBreak = kLineBreakDouble;
        break;
    }
    }
    return n;
}

char* GroupThousands(const char* digits) {
    if (!digits)
        return nullptr;
    // A sign stays in front of the groups: "-1234" becomes "-1,234", never "-,123".
    std::size_t sign = digits[0] == '-' ? 1 : 0;
    std::size_t length = StrLen(digits) - sign;
    std::size_t commas = length == 0 ? 0 : (length - 1) / 3;
    char* result = StrAlloc(sign + length + commas);
    if (!result)
        return nullptr;
    std::memcpy(result, digits, sign);
    // Copy from the last digit to the first, a comma in front of every third one but the first.
    std::size_t out = sign + length + commas;
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0 && i % 3 == 0)
            result[--out] = ',';
        result[--out] = digits[sign + length - 1 - i];
    }
    return result;
}

char* FormatCount(std::int32_t value, const char* label) {
    char digits[kCountDigitsSize] = "";
    StrAppendInt(digits, value, sizeof digits);
    char* grouped = GroupThousands(digits);
    if (!grouped)
        return nullptr;
    std::size_t labelLength = StrLen(label);
    char* result = StrAlloc(labelLength + StrLen(grouped));
    if (result) {
        StrCopy(result, label);
        StrAppend(result, grouped);
    }
    MemFree(grouped);
    return result;
}
