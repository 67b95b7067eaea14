#include "tool/finding_formats.h"

#include "support/enc.h"
#include "tool/json_output.h"
#include "tool/run_report.h"

#include <nlohmann/json.hpp>

#include <iterator>
#include <ostream>

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif
#ifndef LX_HOMEPAGE
#define LX_HOMEPAGE "https://lexameter.example.org/"
#endif

namespace lxtool {

namespace {

constexpr const char* kSarifSchema = "https://json.schemastore.org/sarif-2.1.0.json";
constexpr const char* kSarifVersion = "2.1.0";
constexpr const char* kJunitSuite = "lexameter check";
constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

void WriteText(const FindingsReport& r, std::ostream& out) {
    out << r.table << "\n";
    for (const std::string& note : r.notes)
        out << note << "\n";
    for (const Finding& f : r.findings)
        out << FindingLine(f) << "\n";
    if (!r.findings.empty())
        out << "\n";
    out << r.summary << "\n";
}

// One annotation a finding, titled by its rule; the verdict after them for the job's log.
void WriteGithub(const FindingsReport& r, std::ostream& out) {
    for (const Finding& f : r.findings)
        out << "::warning file=" << GithubProperty(f.path) << ",line=" << f.line
            << ",col=" << f.column << ",title=" << GithubProperty("lexameter " + f.rule)
            << "::" << GithubMessage(f.message) << "\n";
    out << r.summary << "\n";
}

void WriteSarif(const FindingsReport& r, std::ostream& out) {
    nlohmann::json rules = nlohmann::json::array();
    for (const FindingRule& rule : r.rules)
        rules.push_back({{"id", rule.id},
                         {"shortDescription", {{"text", rule.description}}},
                         {"defaultConfiguration", {{"level", "warning"}}},
                         {"properties", {{"limit", rule.limit}}}});
    nlohmann::json results = nlohmann::json::array();
    for (const Finding& f : r.findings) {
        nlohmann::json result = {
            {"ruleId", f.rule}, {"level", "warning"}, {"message", {{"text", f.message}}}};
        for (std::size_t i = 0; i < r.rules.size(); ++i)
            if (r.rules[i].id == f.rule)
                result["ruleIndex"] = i;
        result["locations"] = nlohmann::json::array(
            {{{"physicalLocation",
               {{"artifactLocation", {{"uri", UriOfPath(f.path)}}},
                {"region", {{"startLine", f.line}, {"startColumn", f.column}}}}}}});
        result["properties"] = {{"figure", f.figure}, {"limit", f.limit}};
        results.push_back(std::move(result));
    }
    const nlohmann::json log = {
        {"$schema", kSarifSchema},
        {"version", kSarifVersion},
        {"runs", nlohmann::json::array({{{"tool",
                                          {{"driver",
                                            {{"name", kProgram},
                                             {"version", LX_VERSION},
                                             {"semanticVersion", LX_VERSION},
                                             {"informationUri", LX_HOMEPAGE},
                                             {"rules", rules}}}}},
                                         {"results", results}}})}};
    out << JsonText(log);
}

// A test case a file and rule: failed with the rule's findings in the file, in error when the
// file could not be read.
void WriteJunit(const FindingsReport& r, std::ostream& out) {
    struct Case {
        const CheckedFile* file;
        const FindingRule* rule;
        std::vector<const Finding*> findings;
    };
    std::vector<Case> cases;
    std::size_t failures = 0, errors = 0;
    for (const CheckedFile& file : r.files)
        for (const FindingRule& rule : r.rules) {
            if (file.whole &&
                (rule.id == kMaxSentenceLengthName || rule.id == kMaxParagraphGradeName))
                continue;
            Case c{&file, &rule, {}};
            for (const Finding& f : r.findings)
                if (f.path == file.path && f.rule == rule.id)
                    c.findings.push_back(&f);
            errors += file.read ? 0 : 1;
            failures += file.read && !c.findings.empty() ? 1 : 0;
            cases.push_back(std::move(c));
        }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuites name=\"" << kJunitSuite << "\" tests=\"" << cases.size() << "\" failures=\""
        << failures << "\" errors=\"" << errors << "\">\n"
        << "  <testsuite name=\"" << kJunitSuite << "\" tests=\"" << cases.size()
        << "\" failures=\"" << failures << "\" errors=\"" << errors
        << "\" skipped=\"0\" time=\"0\">\n";
    for (const Case& c : cases) {
        const std::string path = XmlEscaped(c.file->path, true);
        out << "    <testcase classname=\"" << path << "\" name=\"" << XmlEscaped(c.rule->id, true)
            << "\" file=\"" << path << "\" time=\"0\"";
        if (c.file->read && c.findings.empty()) {
            out << "/>\n";
            continue;
        }
        out << ">\n";
        if (!c.file->read) {
            out << "      <error message=\"the file could not be read\" type=\"not-read\"/>\n";
        } else {
            const std::string count = std::to_string(c.findings.size()) +
                                      (c.findings.size() == 1 ? " finding" : " findings");
            out << "      <failure message=\"" << XmlEscaped(count + " of " + c.rule->id, true)
                << "\" type=\"" << XmlEscaped(c.rule->id, true) << "\">";
            for (const Finding* f : c.findings)
                out << XmlEscaped(FindingLine(*f), false) << "\n";
            out << "</failure>\n";
        }
        out << "    </testcase>\n";
    }
    out << "  </testsuite>\n</testsuites>\n";
}

constexpr FindingFormat kFindingFormats[] = {
    {"text", WriteText},
    {"github", WriteGithub},
    {"sarif", WriteSarif},
    {"junit", WriteJunit},
};

// Replaces each byte of `special` in text with its percent-encoded form.
std::string PercentEncoded(std::string_view text, std::string_view special) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        if (special.find(c) == std::string_view::npos) {
            out += c;
            continue;
        }
        const auto b = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

} // namespace

const FindingFormat* FindFindingFormat(std::string_view name) {
    for (const FindingFormat& f : kFindingFormats)
        if (name == f.name)
            return &f;
    return nullptr;
}

std::vector<std::string> FindingFormatNames() {
    std::vector<std::string> names;
    for (const FindingFormat& f : kFindingFormats)
        names.push_back(f.name);
    return names;
}

std::string FindingFormatHelp() {
    std::string text;
    const std::size_t n = std::size(kFindingFormats);
    for (std::size_t i = 0; i < n; ++i)
        text += std::string(i == 0       ? ""
                            : i + 1 == n ? " or "
                                         : ", ") +
                kFindingFormats[i].name + (i == 0 ? " (the default)" : "");
    return text;
}

std::string FindingLine(const Finding& f) {
    return BlankControls(f.path) + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) +
           ": " + BlankControls(f.message) + " [" + f.rule + "]";
}

// A workflow command ends at a line break, and its runner decodes %25, %0D and %0A in the
// message; in a property ':' and ',' would end the value.
std::string GithubMessage(std::string_view text) {
    return PercentEncoded(text, "%\r\n");
}

std::string GithubProperty(std::string_view text) {
    return PercentEncoded(text, "%\r\n:,");
}

std::string XmlEscaped(std::string_view text, bool attribute) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const char c = text[i];
        if (b >= 0x80) {
            // A well-formed sequence of up to four bytes is kept; anything else is replaced.
            const auto length = static_cast<std::size_t>(Utf8SeqLen(b));
            bool whole = b >= 0xC2 && length <= 4 && i + length <= text.size();
            for (std::size_t k = 1; whole && k < length; ++k)
                whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            out += whole ? std::string(text.substr(i, length)) : kReplacement;
            i += whole ? length : 1;
            continue;
        }
        ++i;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\t':
        case '\n':
        case '\r':
            // A parser turns a line break or tab in an attribute into a blank unless it is a
            // character reference.
            out += attribute ? "&#" + std::to_string(b) + ";" : std::string(1, c);
            break;
        default:
            if (b < 0x20)
                out += kReplacement;
            else
                out += c;
        }
    }
    return out;
}

std::string UriOfPath(std::string_view path) {
    std::string slashes(path);
    for (char& c : slashes)
        if (c == '\\')
            c = '/';
    std::string special;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') ||
                           std::string_view("-._~/").find(c) != std::string_view::npos;
        if (!plain)
            special += c;
    }
    std::string uri = PercentEncoded(slashes, special);
    // "C:/docs" on Windows: the drive's colon stays, as file URIs write it.
    const bool drive =
        slashes.size() > 2 && slashes[1] == ':' && slashes[2] == '/' &&
        ((slashes[0] >= 'a' && slashes[0] <= 'z') || (slashes[0] >= 'A' && slashes[0] <= 'Z'));
    if (drive)
        return "file:///" + slashes.substr(0, 2) + uri.substr(4);
    if (!slashes.empty() && slashes[0] == '/')
        return "file://" + uri;
    return uri;
}

} // namespace lxtool
