// Build-time generator of the Han readings table: what ICU's "Any-Latin; Latin-ASCII"
// transliteration makes of each Han letter, so that the host reads Han text without building
// ICU's Han-Latin rules at run time (tens of milliseconds of CPU in every process that meets
// one Han character).
//
//   lx_hanlatingen OUT.h
//
// A Han letter is a code point of the Han script whose general category is a letter or a
// number (the characters the host carries over as part of a word). Only the letters that some
// rule reaches are listed; the others stay as they are. The readings are ICU's own
// output, unfiltered, so the host treats them as it treats the transliterator's. The few letters
// that read otherwise before a given letter (the rules with a following context) are listed
// apart with their reading in that context; a rule of another shape stops the build, as the
// table could not follow it.
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/uversion.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kPerLine = 10; // numbers on a line of the generated arrays

int Fail(const std::string& message) {
    std::fprintf(stderr, "lx_hanlatingen: %s\n", message.c_str());
    return 1;
}

bool IsHanLetter(UChar32 cp) {
    UErrorCode status = U_ZERO_ERROR;
    if (uscript_getScript(cp, &status) != USCRIPT_HAN || U_FAILURE(status))
        return false;
    return (U_GET_GC_MASK(cp) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

std::string Utf8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

std::string Transliterate(const icu::Transliterator& t, const icu::UnicodeString& text) {
    icu::UnicodeString s = text;
    t.transliterate(s);
    return Utf8(s);
}

// A C++ string literal; every byte outside letters and digits as a three-digit octal escape,
// which no following character can extend.
std::string Literal(const std::string& s) {
    std::string out = "\"";
    char piece[8];
    for (unsigned char b : s) {
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) {
            out.push_back(static_cast<char>(b));
        } else {
            std::snprintf(piece, sizeof piece, "\\%03o", b);
            out += piece;
        }
    }
    return out + "\"";
}

struct Context {
    UChar32 letter, next;
    std::string reading;
};

// The rules of the form "{A}' '?B > reading;": A reads otherwise when B follows it. The reading
// in that context is taken from the transliteration of "AB", less that of B.
bool ContextRules(const icu::Transliterator& all, std::vector<Context>& out, std::string& error) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> han(
        icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) {
        error = std::string("cannot make Han-Latin: ") + u_errorName(status);
        return false;
    }
    icu::UnicodeString rules;
    han->toRules(rules, false);
    std::int32_t start = 0;
    while (start < rules.length()) {
        std::int32_t end = rules.indexOf(u'\n', start);
        if (end < 0)
            end = rules.length();
        const icu::UnicodeString line(rules, start, end - start);
        start = end + 1;
        if (line.isEmpty() || line.charAt(0) != u'{')
            continue;
        const std::int32_t close = line.indexOf(u'}');
        const std::int32_t arrow = line.indexOf(u" > ");
        std::vector<UChar32> context;
        for (std::int32_t k = close + 1; close > 0 && k < arrow; k = line.moveIndex32(k, 1))
            if (IsHanLetter(line.char32At(k)))
                context.push_back(line.char32At(k));
        const UChar32 letter = line.char32At(1);
        if (close != 1 + U16_LENGTH(letter) || arrow < 0 || context.size() != 1 ||
            !IsHanLetter(letter)) {
            error = "a rule with a context of another shape: " + Utf8(line);
            return false;
        }
        icu::UnicodeString pair;
        pair.append(letter).append(context[0]);
        const std::string both = Transliterate(all, pair);
        const std::string next = Transliterate(all, icu::UnicodeString(context[0]));
        if (both.size() < next.size() ||
            both.compare(both.size() - next.size(), next.size(), next)) {
            error = "the reading of " + Utf8(pair) + " does not end with that of its last letter";
            return false;
        }
        std::string reading = both.substr(0, both.size() - next.size());
        while (!reading.empty() && reading.back() == ' ')
            reading.pop_back();
        out.push_back({letter, context[0], reading});
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return Fail("usage: lx_hanlatingen OUT.h");
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> all(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    if (U_FAILURE(status))
        return Fail(std::string("cannot make Any-Latin; Latin-ASCII: ") + u_errorName(status));

    std::vector<UChar32> letters;
    std::vector<std::size_t> readingOf;
    std::vector<std::string> readings;
    std::map<std::string, std::size_t> readingIndex;
    auto indexOf = [&](const std::string& reading) {
        auto [it, added] = readingIndex.emplace(reading, readings.size());
        if (added)
            readings.push_back(reading);
        return it->second;
    };
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (!IsHanLetter(cp))
            continue;
        const icu::UnicodeString letter(cp);
        const std::string reading = Transliterate(*all, letter);
        if (reading == Utf8(letter))
            continue; // a letter that no rule reaches stays as it is
        letters.push_back(cp);
        readingOf.push_back(indexOf(reading));
    }
    std::vector<Context> contexts;
    std::string error;
    if (!ContextRules(*all, contexts, error))
        return Fail(error);
    if (readings.size() > 0xFFFF)
        return Fail("more than 65535 readings");

    std::ofstream out(argv[1], std::ios::binary);
    out << "// Generated by lx_hanlatingen from the \"Any-Latin; Latin-ASCII\" transliteration of "
           "ICU "
        << U_ICU_VERSION << ": do not edit.\n"
        << "#pragma once\n\n#include <cstdint>\n\nnamespace lxhanlatin {\n\n"
        << "inline constexpr const char* kReadings[] = {\n";
    for (const std::string& r : readings)
        out << "    " << Literal(r) << ",\n";
    out << "};\n\n// The Han letters that have a reading, ascending, and the index of each one's "
           "reading.\n// A Han letter that is not here stays as it is.\n"
        << "inline constexpr char32_t kLetters[] = {";
    for (std::size_t k = 0; k < letters.size(); ++k)
        out << (k % kPerLine == 0 ? "\n   " : "") << " 0x" << std::hex << letters[k] << std::dec
            << ",";
    out << "\n};\ninline constexpr std::uint16_t kReadingOf[] = {";
    for (std::size_t k = 0; k < readingOf.size(); ++k)
        out << (k % kPerLine == 0 ? "\n   " : "") << " " << readingOf[k] << ",";
    out << "\n";
    out << "};\n\n// Letters that read otherwise when the letter next follows them.\n"
        << "struct Context {\n    char32_t letter, next;\n    const char* reading;\n};\n"
        << "inline constexpr Context kContexts[] = {\n";
    for (const Context& c : contexts)
        out << "    {0x" << std::hex << c.letter << ", 0x" << c.next << std::dec << ", "
            << Literal(c.reading) << "},\n";
    out << "};\n\n} // namespace lxhanlatin\n";
    out.close();
    if (!out)
        return Fail(std::string("cannot write ") + argv[1]);
    return 0;
}
