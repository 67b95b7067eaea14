// The forms `lexameter check` writes its findings in: text for the terminal (the form editors
// jump to), workflow annotations for GitHub Actions, SARIF for code-scanning services, JUnit XML
// for CI systems that show test reports. Each form is one row of a table and one function.
#pragma once

#include "tool/findings.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lxtool {

// A file (or a book as a whole) that was checked.
struct CheckedFile {
    std::string path; // as its findings give it
    bool read = true;
    bool whole = false; // a book as a whole: the file thresholds apply, not the sentence rules
};

// What a report of findings is written from.
struct FindingsReport {
    std::vector<Finding> findings;
    std::vector<FindingRule> rules; // the rules in force
    std::vector<CheckedFile> files; // in the input's order
    std::string table;              // the measures per file, rendered for the terminal
    std::string summary;            // one line: the verdict
    std::vector<std::string> notes; // for the terminal, below the table: thresholds not applied
};

using WriteFindingsFn = void (*)(const FindingsReport& report, std::ostream& out);

struct FindingFormat {
    const char* name;
    WriteFindingsFn write;
};

constexpr const char* kDefaultFindingFormat = "text";

// The format of the name, or null.
const FindingFormat* FindFindingFormat(std::string_view name);
// Every format's name, in the table's order.
std::vector<std::string> FindingFormatNames();
// "text (the default), github, sarif or junit", for the option's help.
std::string FindingFormatHelp();

// A finding as the terminal and editors read it: "path:line:column: message [rule]".
std::string FindingLine(const Finding& finding);

// Text in a GitHub workflow command: its message (% and line breaks encoded), and a property's
// value (also ':' and ',').
std::string GithubMessage(std::string_view text);
std::string GithubProperty(std::string_view text);
// Text in XML: & < > and quotation marks as entities; in an attribute also tabs and line breaks
// as character references; characters XML 1.0 cannot hold as U+FFFD.
std::string XmlEscaped(std::string_view text, bool attribute);
// A path as a URI reference: '\' as '/', every byte but letters, digits, "-._~/" percent-encoded;
// an absolute path as a file: URI.
std::string UriOfPath(std::string_view path);

} // namespace lxtool
