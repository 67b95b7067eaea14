// What the MIF document and book readers share: the statement being read, and the reading of
// values, nested statements and errors over the lexer. Internal to the MIF readers.
#pragma once

#include "host/formats/mif_lexer.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace lxhost::mif {

using Tok = MifLexer::Tok;

// A statement being read: its name and the line it opened on, for messages; the column of its
// '<' where the reader keeps it (0 otherwise).
struct Stmt {
    std::string_view name;
    int line;
    int column = 0;
};

// The common machinery of the document and book readers: values, skipping, errors.
class StatementReader {
  public:
    explicit StatementReader(std::string_view data) : lex_(data) {}

  protected:
    [[noreturn]] static void Fail(int line, const std::string& message) {
        throw MifError(line, message);
    }

    static std::string Quote(std::string_view name) { return "<" + std::string(name) + ">"; }

    // The file's first statement, <name version>, as a MIF file of that kind must begin: its
    // version number (the caller reads the rest of the statement). what names the kind in the
    // error ("a MIF document").
    double ReadFileHead(std::string_view name, const char* what, Stmt* head) {
        if (lex_.Next() != Tok::Open || lex_.word() != name) {
            Fail(lex_.line(), "not " + std::string(what) + ": it must begin with <" +
                                  std::string(name) + " version>");
        }
        *head = {lex_.word(), lex_.line()};
        double version = 0;
        std::string_view unit;
        if (!ParseMifNumber(ReadWord(*head), &version, &unit)) {
            Fail(head->line, "bad MIF version");
        }
        return version;
    }

    // The next statement at the top level of the file into *s; false at the end of the file.
    bool NextTopLevel(Stmt* s) {
        const Tok t = lex_.Next();
        if (t == Tok::End) {
            return false;
        }
        if (t == Tok::Close) {
            Fail(lex_.line(), "unbalanced '>' outside any statement");
        }
        if (t != Tok::Open) {
            Fail(lex_.line(), "unexpected value outside any statement");
        }
        *s = {lex_.word(), lex_.line(), lex_.column()};
        return true;
    }

    Tok NextIn(const Stmt& s) {
        const Tok t = lex_.Next();
        if (t == Tok::End) {
            Fail(s.line, "unexpected end of file: " + Quote(s.name) + " is not closed");
        }
        return t;
    }

    // Skips the rest of statement s, nested statements included.
    void Skip(const Stmt& s) {
        int depth = 1;
        int facetDepth = 0;
        lex_.SetSkipStrings(true);
        while (depth > 0) {
            const Tok t = NextIn(s);
            if (t == Tok::Open) {
                ++depth;
                if (facetDepth == 0 && lex_.word() == "ImportObject") {
                    facetDepth = depth;
                    lex_.SetFacets(true);
                }
            } else if (t == Tok::Close) {
                if (depth == facetDepth) {
                    facetDepth = 0;
                    lex_.SetFacets(false);
                }
                --depth;
            }
        }
        lex_.SetSkipStrings(false);
    }

    // Reads to the end of statement s, skipping whatever else it holds.
    void Finish(const Stmt& s) {
        for (;;) {
            const Tok t = NextIn(s);
            if (t == Tok::Close) {
                return;
            }
            if (t == Tok::Open) {
                Skip({lex_.word(), lex_.line()});
            }
        }
    }

    // The next token inside s; returns false at the statement's end. On Open, *sub is the
    // nested statement.
    bool NextChild(const Stmt& s, Stmt* sub) {
        for (;;) {
            const Tok t = NextIn(s);
            if (t == Tok::Close) {
                return false;
            }
            if (t == Tok::Open) {
                *sub = {lex_.word(), lex_.line(), lex_.column()};
                return true;
            }
        }
    }

    std::string_view ReadWord(const Stmt& s) {
        if (NextIn(s) != Tok::Word) {
            Fail(lex_.line(), Quote(s.name) + " expects a value");
        }
        return lex_.word();
    }

    const std::string& ReadString(const Stmt& s) {
        if (NextIn(s) != Tok::String) {
            Fail(lex_.line(), Quote(s.name) + " expects a string");
        }
        return lex_.str();
    }

    std::int64_t ReadInt(const Stmt& s) {
        const std::string_view w = ReadWord(s);
        double v = 0;
        std::string_view unit;
        if (!ParseMifNumber(w, &v, &unit) || !unit.empty() || v != std::floor(v) ||
            std::fabs(v) > 2147483647.0) {
            Fail(lex_.line(),
                 "bad integer '" + std::string(w.substr(0, 40)) + "' in " + Quote(s.name));
        }
        return static_cast<std::int64_t>(v);
    }

    bool ReadYesNo(const Stmt& s) { return ReadWord(s) == "Yes"; }

    MifLexer lex_;
};
// "FILE:LINE: problem", the message of a reader that failed.
inline std::string ErrorText(std::string_view fileName, int line, const std::string& message) {
    return std::string(fileName) + ":" + std::to_string(line) + ": " + message;
}

} // namespace lxhost::mif
