// The sample manual written again as Markdown, HTML and DocBook (samples/tools/make_docs.py)
// gives exactly the figures of the MIF book, file by file and overall, for every command. Code is
// counted in MIF by default and left out of the other formats by default, so each side is also
// run with the other's default.
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#if defined(LX_E2E_MARKDOWN) && defined(LX_E2E_XML)

namespace {

const std::string kSource = LX_E2E_SOURCE_DIR;
const std::string kCli = LX_E2E_CLI;

// A book report as rows keyed by the file's name without its extension ("Overall" too); the
// heading lines, which name the book, are left out.
std::map<std::string, std::string> ReportRows(const std::string& out) {
    std::map<std::string, std::string> rows;
    std::istringstream lines(out);
    const std::regex row(R"(^(\S+?)(\.mif|\.md|\.html|\.xml)?\s{2,}(.*\S)\s*$)");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, row) && m[1] != "File" && line.find("---") != 0) {
            rows[m[1]] = std::regex_replace(m[3].str(), std::regex(R"(\s+)"), " ");
        }
    }
    return rows;
}

TEST(DocFormats, TheSampleManualGivesTheMifBooksFiguresInEveryFormat) {
    const std::string mif = "samples/manual/aquila-manual.book";
    const std::vector<std::string> books = {"samples/manual-md/SUMMARY.md", "samples/manual-html",
                                            "samples/manual-docbook/book.xml"};
    const char* commands[] = {"stats", "flesch", "ari",         "smog",
                              "fog",   "words",  "word-counts", "report"};
    // The MIF book with code, the others told to count it; then both without code.
    const std::vector<std::string> mifOptions[] = {{}, {"--exclude-format", "Code"}};
    const std::vector<std::string> docOptions[] = {{"--include-format", "Code"}, {}};
    for (const char* command : commands) {
        for (int withCode = 0; withCode < 2; ++withCode) {
            std::vector<std::string> args = mifOptions[withCode];
            args.insert(args.end(), {command, mif});
            const Outcome expected = RunCli(kCli, args, kSource);
            ASSERT_EQ(expected.status, 0) << expected.err;
            for (const std::string& book : books) {
                SCOPED_TRACE(std::string(command) + " " + book + (withCode ? "" : " with code"));
                args = docOptions[withCode];
                args.insert(args.end(), {command, book});
                const Outcome got = RunCli(kCli, args, kSource);
                EXPECT_EQ(got.status, 0) << got.err;
                if (std::string(command) == "report") {
                    const auto rows = ReportRows(got.out);
                    EXPECT_EQ(rows.size(), 4u) << got.out; // three chapters and Overall
                    EXPECT_EQ(rows, ReportRows(expected.out));
                } else {
                    EXPECT_EQ(got.out, expected.out);
                }
            }
        }
    }
}

} // namespace

#endif
