// The MIF lexer: statements, values and strings over a buffer that stays alive while it reads.
// Strings are decoded into FrameRoman (or kept as given for paths). Every read is bounded by the
// buffer; malformed input throws MifError with the line where it was found.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

class MifError : public std::runtime_error {
  public:
    MifError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

// The longest string the lexer accepts; a longer one is an error rather than a memory hog.
constexpr std::size_t kMaxMifString = 64u << 20;

class MifLexer {
  public:
    enum class Tok { Open, Close, String, Word, End };
    enum class StringMode {
        FrameRoman, // strings are FrameRoman bytes (versions below 8)
        Utf8,       // strings are UTF-8, converted to FrameRoman
        Raw,        // escapes decoded, bytes kept (file paths)
    };

    explicit MifLexer(std::string_view data);

    // The next token. Open: word() is the statement name. Word: word() is the value. String:
    // str() is the decoded string (unless strings are being skipped).
    Tok Next();
    std::string_view word() const { return word_; }
    const std::string& str() const { return str_; }
    // The line of the token that Next returned last (1-based), and its column (1-based, in
    // characters).
    int line() const { return tokenLine_; }
    int column() const { return tokenColumn_; }

    // A place in the string that Next returned last where its bytes begin to stand in the file
    // as written (its start, and the ends of escapes, line breaks and characters converted).
    struct StringMark {
        std::size_t offset = 0; // into str()
        int line = 0;
        int column = 0;
    };
    const std::vector<StringMark>& stringMarks() const { return stringMarks_; }

    void SetStringMode(StringMode mode) { mode_ = mode; }
    StringMode stringMode() const { return mode_; }
    // While set, strings are scanned but not decoded.
    void SetSkipStrings(bool skip) { skipStrings_ = skip; }
    // While set (inside ImportObject), lines that begin with '=' or '&' are raw data.
    void SetFacets(bool facets) { facets_ = facets; }
    // Characters of the strings read so far that had no FrameRoman form.
    std::size_t charactersWithoutForm() const { return unmapped_; }
    // Consumes the next token if it is a bare word equal to one of the units; returns it.
    std::string_view TryUnit();

  private:
    [[noreturn]] void Fail(const std::string& message) const;
    void SkipSpace();
    void ReadString();
    void ReadEscape(int openLine);
    // Removes from str_, from that offset on, the bytes that are not text.
    void DropNotText(std::size_t from);
    // The column of the byte at q on the current line; q never goes back within a line.
    int ColumnAt(const char* q);
    void NewLine(const char* start) {
        ++line_;
        lineStart_ = start;
    }
    void MarkString() {
        if (!skipStrings_) {
            stringMarks_.push_back({str_.size(), line_, ColumnAt(p_)});
        }
    }

    const char* p_;
    const char* end_;
    int line_ = 1;
    int tokenLine_ = 1;
    int tokenColumn_ = 1;
    const char* lineStart_;
    // The last column counted, and the byte it is the column of.
    const char* columnAt_;
    int column_ = 1;
    std::vector<StringMark> stringMarks_;
    std::string_view word_;
    std::string str_;
    StringMode mode_ = StringMode::FrameRoman;
    bool skipStrings_ = false;
    bool facets_ = false;
    std::size_t unmapped_ = 0;
};

// Parses a number with an optional unit written right after it ("1.5\"", "12pt", "-3").
// Returns false when word is not a number.
bool ParseMifNumber(std::string_view word, double* value, std::string_view* unit);
// Points per unit for a unit name ("pt", "\"", "in", "mm", "cm", "pc", "dd", "cc"), or 0.
double MifUnitPoints(std::string_view unit);

} // namespace lxhost
