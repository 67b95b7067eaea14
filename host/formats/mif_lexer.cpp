#include "host/formats/mif_lexer.h"

#include "host/formats/frameroman.h"

#include <algorithm>
#include <cstring>

namespace lxhost {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

bool IsWordEnd(char c) {
    return IsSpace(c) || c == '<' || c == '>' || c == '`' || c == '#';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr char kFrameRomanTab = 0x08;

} // namespace

MifLexer::MifLexer(std::string_view data) : p_(data.data()), end_(data.data() + data.size()) {
    // A UTF-8 byte-order mark may precede the first statement.
    if (data.size() >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) {
        p_ += 3;
    }
    lineStart_ = columnAt_ = p_;
}

int MifLexer::ColumnAt(const char* q) {
    if (columnAt_ < lineStart_ || columnAt_ > q) {
        columnAt_ = lineStart_;
        column_ = 1;
    }
    // Strings of MIF 8 are UTF-8: a character is a lead byte. Before, a byte is a character.
    const bool utf8 = mode_ == StringMode::Utf8;
    for (; columnAt_ < q; ++columnAt_) {
        column_ += utf8 && (static_cast<unsigned char>(*columnAt_) & 0xC0) == 0x80 ? 0 : 1;
    }
    return column_;
}

void MifLexer::Fail(const std::string& message) const {
    throw MifError(tokenLine_, message);
}

void MifLexer::SkipSpace() {
    while (p_ < end_) {
        const char c = *p_;
        if (c == '\n') {
            ++p_;
            NewLine(p_);
            if (facets_) {
                // Raw facet data of an imported object: whole lines, never tokenised.
                const char* q = p_;
                while (q < end_ && (*q == ' ' || *q == '\t')) {
                    ++q;
                }
                if (q < end_ && (*q == '=' || *q == '&')) {
                    const void* nl = std::memchr(q, '\n', static_cast<std::size_t>(end_ - q));
                    p_ = nl != nullptr ? static_cast<const char*>(nl) : end_;
                }
            }
        } else if (IsSpace(c)) {
            ++p_;
        } else if (c == '#') {
            const void* nl = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
            p_ = nl != nullptr ? static_cast<const char*>(nl) : end_;
        } else {
            return;
        }
    }
}

MifLexer::Tok MifLexer::Next() {
    SkipSpace();
    tokenLine_ = line_;
    tokenColumn_ = ColumnAt(p_);
    if (p_ >= end_) {
        return Tok::End;
    }
    const char c = *p_;
    if (c == '<') {
        ++p_;
        const char* start = p_;
        while (p_ < end_ && IsNameChar(*p_)) {
            ++p_;
        }
        if (p_ == start) {
            Fail("expected a statement name after '<'");
        }
        word_ = std::string_view(start, static_cast<std::size_t>(p_ - start));
        return Tok::Open;
    }
    if (c == '>') {
        ++p_;
        return Tok::Close;
    }
    if (c == '`') {
        ++p_;
        ReadString();
        return Tok::String;
    }
    const char* start = p_;
    while (p_ < end_ && !IsWordEnd(*p_)) {
        ++p_;
    }
    word_ = std::string_view(start, static_cast<std::size_t>(p_ - start));
    if (word_.starts_with("define(") || word_.starts_with("include(") || word_ == "define" ||
        word_ == "include") {
        Fail("macros are not supported (" + std::string(word_.substr(0, word_.find('('))) + ")");
    }
    return Tok::Word;
}

void MifLexer::ReadString() {
    const int openLine = line_;
    str_.clear();
    stringMarks_.clear();
    MarkString();
    for (;;) {
        // Copy the plain stretch up to the next byte that needs a look.
        const char* start = p_;
        if (skipStrings_) {
            while (p_ < end_ && *p_ != '\'' && *p_ != '\\' && *p_ != '\n') {
                ++p_;
            }
        } else {
            while (p_ < end_ && *p_ != '\'' && *p_ != '\\' && *p_ != '\n' &&
                   static_cast<unsigned char>(*p_) >= 0x20 &&
                   (mode_ != StringMode::Utf8 || static_cast<unsigned char>(*p_) < 0x80)) {
                ++p_;
            }
            str_.append(start, static_cast<std::size_t>(p_ - start));
        }
        if (p_ >= end_) {
            throw MifError(openLine, "unterminated string");
        }
        if (str_.size() > kMaxMifString) {
            throw MifError(openLine, "string longer than 64 MiB");
        }
        const char c = *p_;
        if (c == '\'') {
            ++p_;
            return;
        }
        if (c == '\\') {
            ReadEscape(openLine);
            MarkString();
            continue;
        }
        if (c == '\n') {
            ++p_;
            NewLine(p_);
            MarkString();
            continue; // a raw line break inside a string is not text
        }
        if (mode_ == StringMode::Utf8 && static_cast<unsigned char>(c) >= 0x80) {
            // The whole stretch of non-ASCII characters at once: a word of another script is
            // transliterated as a word.
            const char* start = p_;
            while (p_ < end_ && static_cast<unsigned char>(*p_) >= 0x80) {
                ++p_;
            }
            const std::size_t from = str_.size();
            unmapped_ += Utf8ToFrameRoman(
                std::string_view(start, static_cast<std::size_t>(p_ - start)), str_);
            DropNotText(from);
            MarkString();
            continue;
        }
        // Other control bytes: a raw tab is the host's tab; NUL would end the text early for
        // a client and a carriage return is line structure, so both are dropped.
        ++p_;
        if (c == '\t' && mode_ != StringMode::Raw) {
            str_.push_back(kFrameRomanTab);
        } else if (c != '\0' && c != '\r') {
            str_.push_back(c);
        } else {
            MarkString();
        }
    }
}

void MifLexer::ReadEscape(int openLine) {
    ++p_; // the backslash
    if (p_ >= end_) {
        throw MifError(openLine, "unterminated string");
    }
    const char e = *p_++;
    if (skipStrings_) {
        if (e == '\n') {
            NewLine(p_);
        }
        return;
    }
    switch (e) {
    case 't':
        str_.push_back(mode_ == StringMode::Raw ? '\t' : kFrameRomanTab);
        return;
    case '>':
        str_.push_back('>');
        return;
    case 'q':
        str_.push_back('\'');
        return;
    case 'Q':
        str_.push_back('`');
        return;
    case '\\':
        str_.push_back('\\');
        return;
    case 'x': {
        const int hi = p_ < end_ ? HexValue(*p_) : -1;
        const int lo = p_ + 1 < end_ ? HexValue(p_[1]) : -1;
        if (hi < 0 || lo < 0) {
            throw MifError(line_, "bad escape: \\x must be followed by two hex digits");
        }
        p_ += 2;
        if (p_ < end_ && *p_ == ' ') {
            ++p_; // the one space that ends the escape
        }
        const char byte = static_cast<char>(hi * 16 + lo);
        // 0x00 would end a client's string and 0x0A would end the paragraph: neither is text.
        if (byte != '\0' && byte != '\n') {
            str_.push_back(byte);
        }
        return;
    }
    case 'u': {
        char32_t cp = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = p_ < end_ ? HexValue(*p_) : -1;
            if (v < 0) {
                throw MifError(line_, "bad escape: \\u must be followed by four hex digits");
            }
            cp = cp * 16 + static_cast<char32_t>(v);
            ++p_;
        }
        if (mode_ == StringMode::Raw) {
            AppendUtf8(cp, str_);
        } else {
            const std::size_t from = str_.size();
            const int fr = FrameRomanFromUnicode(cp);
            if (fr < 0) {
                unmapped_ += CodePointToFrameRoman(cp, str_);
            } else {
                str_.push_back(static_cast<char>(fr));
            }
            DropNotText(from);
        }
        return;
    }
    case '\n':
        NewLine(p_);
        return;
    case '\'':
        str_.push_back('\'');
        return;
    default:
        // Any other character stands for itself, under the rules of a character written
        // without the backslash (a NUL or a carriage return is dropped, a non-ASCII UTF-8
        // sequence converted): the main loop reads it again.
        --p_;
        return;
    }
}

void MifLexer::DropNotText(std::size_t from) {
    // 0x00 would end a client's string and 0x0A (a paragraph or line separator) would end the
    // paragraph: neither is text, whether the character was written raw or escaped.
    const auto notText = [](char c) { return c == '\0' || c == '\n'; };
    str_.erase(
        std::remove_if(str_.begin() + static_cast<std::ptrdiff_t>(from), str_.end(), notText),
        str_.end());
}

std::string_view MifLexer::TryUnit() {
    const char* saveP = p_;
    const int saveLine = line_;
    const char* saveLineStart = lineStart_;
    SkipSpace();
    const char* start = p_;
    while (p_ < end_ && !IsWordEnd(*p_)) {
        ++p_;
    }
    const std::string_view w(start, static_cast<std::size_t>(p_ - start));
    if (!w.empty() && MifUnitPoints(w) > 0) {
        return w;
    }
    p_ = saveP;
    line_ = saveLine;
    lineStart_ = saveLineStart;
    return {};
}

double MifUnitPoints(std::string_view unit) {
    constexpr double kDidot = 0.376 * 72.0 / 25.4;
    if (unit == "pt" || unit == "point") {
        return 1.0;
    }
    if (unit == "\"" || unit == "in") {
        return 72.0;
    }
    if (unit == "mm") {
        return 72.0 / 25.4;
    }
    if (unit == "cm") {
        return 72.0 / 2.54;
    }
    if (unit == "pc" || unit == "pica") {
        return 12.0;
    }
    if (unit == "dd") {
        return kDidot;
    }
    if (unit == "cc") {
        return 12.0 * kDidot;
    }
    return 0.0;
}

bool ParseMifNumber(std::string_view word, double* value, std::string_view* unit) {
    std::size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) {
        negative = word[i] == '-';
        ++i;
    }
    double v = 0;
    bool digits = false;
    while (i < word.size() && word[i] >= '0' && word[i] <= '9') {
        v = v * 10 + (word[i] - '0');
        digits = true;
        ++i;
    }
    if (i < word.size() && word[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9') {
            v += (word[i] - '0') * scale;
            scale *= 0.1;
            digits = true;
            ++i;
        }
    }
    if (!digits) {
        return false;
    }
    *value = negative ? -v : v;
    *unit = word.substr(i);
    return true;
}

} // namespace lxhost
