#include "bench/source_gen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lxbench {

namespace {

constexpr const char* kVocabulary[] = {
    "the",     "pump",       "controller", "pressure",   "valve",       "set",      "point",
    "and",     "a",          "to",         "of",         "check",       "terminal", "supply",
    "when",    "is",         "in",         "with",       "display",     "alarm",    "operator",
    "cable",   "before",     "after",      "install",    "maintenance", "the",      "water",
    "speed",   "transducer", "connect",    "signal",     "screen",      "remove",   "cover",
    "station", "every",      "month",      "technician", "manual",      "section",  "settings",
    "service", "unit",       "drive",      "motor",      "current",     "rated"};
constexpr int kVocabularySize = sizeof kVocabulary / sizeof kVocabulary[0];

class Writer {
  public:
    Writer(SourceFormat format, unsigned seed)
        : md_(format == SourceFormat::Markdown), rng_(seed) {}

    std::string Run(int words) {
        if (!md_) {
            out_ += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Manual</title>"
                    "</head>\n<body>\n<nav><a href=\"/\">Home</a></nav>\n<main>\n";
        }
        for (int section = 0; written_ < words; ++section) {
            Heading(section);
            for (int p = 0; p < 4 && written_ < words; ++p) {
                Paragraph();
            }
            List();
            if (section % 5 == 4) {
                Code();
                Table();
            }
        }
        if (md_) {
            for (std::size_t i = 0; i < notes_.size(); ++i) {
                out_ += "[^" + std::to_string(i + 1) + "]: " + notes_[i] + "\n\n";
            }
        } else {
            out_ += "</main>\n<section class=\"footnotes\" data-footnotes><ol>\n";
            for (std::size_t i = 0; i < notes_.size(); ++i) {
                out_ +=
                    "<li id=\"fn-" + std::to_string(i + 1) + "\"><p>" + notes_[i] + "</p></li>\n";
            }
            out_ += "</ol></section>\n</body></html>\n";
        }
        return std::move(out_);
    }

  private:
    unsigned Next(unsigned n) {
        rng_ = rng_ * 1664525u + 1013904223u;
        return (rng_ >> 8) % n;
    }

    std::string Sentence(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            std::string w = kVocabulary[Next(kVocabularySize)];
            if (i == 0) {
                w[0] = static_cast<char>(w[0] - 'a' + 'A');
            }
            if (!s.empty()) {
                s += ' ';
            }
            const unsigned style = Next(40);
            if (style == 0) {
                s += md_ ? "*" + w + "*" : "<em>" + w + "</em>";
            } else if (style == 1) {
                s += md_ ? "`" + w + "`" : "<code>" + w + "</code>";
            } else if (style == 2) {
                s += md_ ? "[" + w + "](https://example.org/" + w + ")"
                         : "<a href=\"https://example.org/" + w + "\">" + w + "</a>";
            } else {
                s += w;
            }
        }
        written_ += n;
        return s + ".";
    }

    void Heading(int section) {
        const std::string text = "Section " + std::to_string(section + 1) + " " + Sentence(3);
        out_ += md_ ? "## " + text + "\n\n" : "<h2>" + text + "</h2>\n";
    }

    void Paragraph() {
        std::string text;
        for (int s = 0; s < 2; ++s) {
            text += (s ? " " : "") + Sentence(6 + static_cast<int>(Next(10)));
        }
        if (++paragraphs_ % 7 == 0) {
            notes_.push_back(Sentence(8));
            const std::string n = std::to_string(notes_.size());
            text +=
                md_ ? "[^" + n + "]"
                    : "<sup class=\"footnote-ref\"><a href=\"#fn-" + n + "\">" + n + "</a></sup>";
        }
        out_ += md_ ? text + "\n\n" : "<p>" + text + "</p>\n";
    }

    void List() {
        out_ += md_ ? "" : "<ul>\n";
        for (int i = 0; i < 3; ++i) {
            const std::string item = Sentence(5);
            out_ += md_ ? "- " + item + "\n" : "<li>" + item + "</li>\n";
        }
        out_ += md_ ? "\n" : "</ul>\n";
    }

    void Code() {
        const char* code = "survey upload --all --retry 3\nsurvey status --verbose\n";
        out_ += md_ ? std::string("```sh\n") + code + "```\n\n"
                    : std::string("<pre><code>") + code + "</code></pre>\n";
    }

    void Table() {
        if (md_) {
            out_ += "| Model | Rating |\n|---|---|\n";
            for (int r = 0; r < 3; ++r) {
                out_ += "| " + Sentence(2) + " | " + Sentence(2) + " |\n";
            }
            out_ += "\n";
        } else {
            out_ += "<table><thead><tr><th>Model</th><th>Rating</th></tr></thead><tbody>\n";
            for (int r = 0; r < 3; ++r) {
                out_ += "<tr><td>" + Sentence(2) + "</td><td>" + Sentence(2) + "</td></tr>\n";
            }
            out_ += "</tbody></table>\n";
        }
    }

    bool md_;
    std::uint32_t rng_;
    std::string out_;
    std::vector<std::string> notes_;
    int written_ = 0;
    int paragraphs_ = 0;
};

} // namespace

std::string GenerateSource(SourceFormat format, int words, unsigned seed) {
    return Writer(format, seed).Run(words);
}

} // namespace lxbench
