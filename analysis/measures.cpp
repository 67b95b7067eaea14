#include "analysis/measures.h"

#include "analysis/measure_registry.h"
#include "support/mem.h"
#include "support/printf.h"
#include "support/str.h"

#include <cmath>
#include <cstring>

namespace {

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

// The plug-in's label of a measure of the registry.
const char* LabelOf(std::size_t measure) {
    return kMeasureRows[measure].alertLabel;
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
    // The plug-in's measures need no long words.
    MeasureValues v;
    v.fleschReadingEase = MeasureValue(kReadingEaseMeasure, counts, 0);
    v.fleschKincaidGrade = MeasureValue(kKincaidGradeMeasure, counts, 0);
    v.ari = MeasureValue(kAriMeasure, counts, 0);
    v.smog = MeasureValue(kSmogMeasure, counts, 0);
    v.fog = MeasureValue(kFogMeasure, counts, 0);
    v.sentencesPerParagraph = static_cast<double>(counts.sentences) / counts.paragraphs;
    v.wordsPerSentence = MeasureValue(kWordsPerSentenceMeasure, counts, 0);
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
        SetDecimal(Add(lines, n, LabelOf(kReadingEaseMeasure)), v.fleschReadingEase);
        SetDecimal(Add(lines, n, LabelOf(kKincaidGradeMeasure)), v.fleschKincaidGrade);
        break;
    case MeasureAri:
        SetDecimal(Add(lines, n, LabelOf(kAriMeasure)), v.ari);
        break;
    case MeasureSmog:
        SetDecimal(Add(lines, n, LabelOf(kSmogMeasure)), v.smog);
        break;
    case MeasureFog: {
        MeasureLine& fog = Add(lines, n, LabelOf(kFogMeasure));
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
        MeasureLine& avg = Add(lines, n, LabelOf(kWordsPerSentenceMeasure));
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
