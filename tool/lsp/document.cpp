#include "tool/lsp/document.h"

#include "analysis/precise/precise.h"
#include "host/api/host.h"
#include "host/formats/registry.h"
#include "support/path.h"
#include "tool/findings.h"
#include "tool/hotspots.h"
#include "tool/measures.h"
#include "tool/options.h"
#include "tool/run.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace lxtool::lsp {

namespace {

// The extension a buffer without a known one is read with, by the editor's language id.
struct LanguageRow {
    std::string_view languageId;
    std::string_view extension;
};
constexpr LanguageRow kLanguages[] = {
    {"markdown", ".md"}, {"html", ".html"}, {"xhtml", ".xhtml"},   {"xml", ".xml"},
    {"docbook", ".xml"}, {"dita", ".dita"}, {"plaintext", ".txt"}, {"text", ".txt"},
};

constexpr std::string_view kTextExtension = ".txt";
// Names read as plain text whatever the editor calls their language.
constexpr std::string_view kTextExtensions[] = {".txt", ".text"};

// The line a paragraph starts on (1-based); 0 where the reader kept none.
std::int64_t ParagraphLine(const ParagraphFigures& p) {
    return static_cast<std::int64_t>(p.line);
}

// The formats a buffer is measured in; a MIF document or book is not edited as a buffer.
bool MeasuredFormat(const lxhost::FileFormat& format) {
    switch (format.id) {
    case lxhost::FormatId::Markdown:
    case lxhost::FormatId::Html:
    case lxhost::FormatId::Xml:
    case lxhost::FormatId::PlainText:
        return true;
    default:
        return false;
    }
}

std::string PercentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(HexByte(s[i + 1], s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// A buffer that could not be measured: one finding at its start that says why.
MeasuredBuffer Unmeasured(std::string rule, std::string message) {
    MeasuredBuffer b;
    b.findings.push_back({0, 0, std::move(rule), std::move(message), true});
    return b;
}

// Whether the line holds nothing but blanks.
bool BlankLine(std::string_view text, const std::vector<std::size_t>& starts, std::size_t line) {
    const std::size_t begin = starts[line];
    const std::size_t end = line + 1 < starts.size() ? starts[line + 1] : text.size();
    for (std::size_t i = begin; i < end; ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n')
            return false;
    return true;
}

} // namespace

std::string PathOfUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size() || uri.substr(0, kScheme.size()) != kScheme)
        return "";
    std::string_view rest = uri.substr(kScheme.size());
    // file://host/path: only the local host names a file here.
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return "";
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return "";
    // A query or fragment is no part of a file's name; a '?' or '#' of the name is encoded.
    const std::string_view encoded = rest.substr(slash);
    std::string path = PercentDecoded(encoded.substr(0, encoded.find_first_of("?#")));
#if defined(_WIN32)
    // file:///C:/dir/file.md names C:/dir/file.md.
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':')
        path.erase(0, 1);
#endif
    if (path.find('\0') != std::string::npos)
        return "";
    return path;
}

std::string ReadingName(std::string_view uri, std::string_view languageId) {
    std::string name = PathOfUri(uri);
    if (name.empty()) {
        // An untitled buffer: the last segment of its URI names it.
        std::string_view last = uri.substr(std::min(uri.size(), uri.find_last_of("/:") + 1));
        name = PercentDecoded(last.substr(0, last.find_first_of("?#")));
        if (name.empty() || name.find('\0') != std::string::npos)
            name = "untitled";
    }
    if (const lxhost::FileFormat* format = lxhost::FormatOfExtension(name))
        return MeasuredFormat(*format) ? name : "";
    // Plain text has no extension of its own in the host: any name it does not know is text.
    for (const LanguageRow& row : kLanguages)
        if (row.languageId == languageId)
            return row.extension == kTextExtension ? name : name + std::string(row.extension);
    for (std::string_view ext : kTextExtensions)
        if (name.size() > ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            return name;
    // A name with an extension the host does not know (".txt", ".rst", none) in a language the
    // server does not know is read as plain text only when it says it is text.
    return "";
}

std::vector<BufferFinding> FindingsOf(const FileFigures& file, const Thresholds& thresholds) {
    std::vector<BufferFinding> findings;
    for (const Finding& f : FileFindings(file, thresholds))
        findings.push_back({static_cast<std::int32_t>(f.line), static_cast<std::int32_t>(f.column),
                            f.rule, f.message, false});
    return findings;
}

MeasuredBuffer MeasureBuffer(const std::string& name, const std::string& folder,
                             const std::string& text, const BufferSettings& settings) {
    // The thresholds: the configuration's, overridden by the server's options.
    ThresholdSettings file;
    std::string configPath = settings.config;
    if (configPath.empty() && ConfigSupported())
        configPath = FindConfigFrom(folder.empty() ? settings.fallbackFolder : folder);
    if (!configPath.empty()) {
        int status = kExitOk;
        std::string error;
        if (!LoadSettingsFile(configPath, &file, &status, &error))
            return Unmeasured("configuration", error);
    }
    ThresholdSettings given = settings.given;
    if (settings.excludeFormatsGiven)
        given.excludeFormats = settings.excludeFormats;
    const Thresholds thresholds = ResolveThresholds(file, given);
    Counting counting = Counting::Classic;
    if (file.counting.value_or("classic") == "precise") {
        std::string why;
        if (!lxprecise::Available(&why))
            return Unmeasured("configuration", configPath +
                                                   ": counting = \"precise\" is not "
                                                   "available: " +
                                                   why);
        counting = Counting::Precise;
    }

    lxhost::Host host;
    host.SetAlertStream(nullptr);
    host.SetConsoleStream(nullptr);
    lxhost::Session& session = host.session();
    session.readerOptions.excludedFormats = thresholds.excludeFormats;
    session.readerOptions.includedFormats = settings.includeFormats;
    session.readerOptions.allowOutside = settings.allowOutside;
    HostClient client(host);
    if (!client.connected())
        return Unmeasured("internal", "cannot connect to the host");
    // The buffer is handed to the host under its file's name: read from memory, never from disk.
    session.providedFiles[name] = text;
    ObjectId id = 0;
    std::vector<lxhost::PropEntry> returned;
    std::string error;
    if (session.Open(name, {}, &id, &returned, &error) != 0 || id == 0)
        return Unmeasured("read", error.empty() ? "cannot read the buffer" : error);
    // A map or book file (a DITA map) lists other files: it has no prose of its own to find
    // anything in, and its files are measured when they are opened.
    if (!session.FindDocument(id))
        return MeasuredBuffer{};
    InputFigures figures = CollectFigures(host, id, false, counting);
    MeasuredBuffer b;
    if (figures.files.empty())
        return Unmeasured("read", "cannot read the buffer");
    b.measured = true;
    b.file = std::move(figures.files.front());
    b.configPath = configPath;
    b.counting = counting;
    b.findings = FindingsOf(b.file, thresholds);
    return b;
}

const ParagraphFigures* ParagraphAtLine(const FileFigures& file, std::string_view text,
                                        std::int64_t line) {
    const std::vector<std::size_t> starts = LineStarts(text);
    if (line < 0 || static_cast<std::size_t>(line) >= starts.size())
        return nullptr;
    const std::int64_t wanted = line + 1; // paragraphs' lines are 1-based
    const ParagraphFigures* found = nullptr;
    for (const ParagraphFigures& p : file.paragraphs) {
        const std::int64_t start = ParagraphLine(p);
        if (start >= 1 && start <= wanted)
            found = &p; // the last paragraph that starts at or above the line
        else if (start > wanted)
            break;
    }
    if (!found)
        return nullptr;
    // A blank line between its start and the line ends the paragraph there.
    for (std::int64_t l = ParagraphLine(*found) - 1; l <= line; ++l)
        if (BlankLine(text, starts, static_cast<std::size_t>(l)))
            return nullptr;
    return found;
}

std::string HoverText(const ParagraphFigures& p) {
    std::string text = "**Paragraph " + std::to_string(p.number) + "**";
    if (!p.format.empty())
        text += " (" + p.format + ")";
    text += "\n\n";
    text += "- Flesch-Kincaid grade: " + ValueText(GradeOf(p.counts)) + "\n";
    text += "- Sentences: " + std::to_string(p.counts.sentences) + "\n";
    text += "- Words: " + std::to_string(p.counts.words) + "\n";
    text += "- Complex words: " + std::to_string(p.counts.complexWords) + "\n";
    return text;
}

nlohmann::json DocumentFiguresJson(const MeasuredBuffer& b) {
    nlohmann::json findings = nlohmann::json::array();
    for (const BufferFinding& f : b.findings)
        findings.push_back(
            {{"line", f.line}, {"column", f.column}, {"rule", f.rule}, {"message", f.message}});
    nlohmann::json j = {
        {"measured", b.measured},
        {kCountingMember, CountingName(b.counting)},
        {"config", b.configPath.empty() ? nlohmann::json(nullptr) : nlohmann::json(b.configPath)},
        {"findings", findings},
    };
    if (b.measured) {
        j["counts"] = CountsJson(b.file.totals, b.file.longWords, b.counting);
        j["measures"] =
            MeasuresJson(ComputeMeasures(b.file.totals, b.file.longWords, b.file.fogComplexWords));
    }
    return j;
}

std::vector<std::size_t> LineStarts(std::string_view text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (text[i] == '\n' || text[i] == '\r')
            starts.push_back(i + 1);
    }
    return starts;
}

namespace {

// The length of the UTF-8 sequence that begins at s[i], or 0 when none valid begins there.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    std::uint32_t min = 0;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2, min = 0x80;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3, min = 0x800;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4, min = 0x10000;
    else
        return 0;
    if (i + n > s.size())
        return 0;
    std::uint32_t cp = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// The end of a line's text: before its line break.
std::size_t LineEnd(std::string_view text, const std::vector<std::size_t>& starts,
                    std::size_t line) {
    std::size_t end = line + 1 < starts.size() ? starts[line + 1] : text.size();
    while (end > starts[line] && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    return end;
}

} // namespace

std::int64_t Utf16Length(std::string_view utf8) {
    std::int64_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = SequenceLength(utf8, i);
        units += n == 4 ? 2 : 1;
        i += n == 0 ? 1 : n;
    }
    return units;
}

Position PositionOf(std::string_view text, const std::vector<std::size_t>& starts,
                    std::int32_t line, std::int32_t column) {
    if (line < 1)
        return {};
    const std::size_t l = std::min(static_cast<std::size_t>(line - 1), starts.size() - 1);
    const std::size_t end = LineEnd(text, starts, l);
    // The characters before the column, each one UTF-16 unit or, beyond the first plane, two.
    std::int64_t units = 0;
    std::int32_t characters = 1;
    for (std::size_t i = starts[l]; i < end && characters < column; ++characters) {
        const std::size_t n = SequenceLength(text, i);
        units += n == 4 ? 2 : 1;
        i += n == 0 ? 1 : n;
    }
    return {static_cast<std::int64_t>(l), units};
}

std::size_t OffsetOf(std::string_view text, const std::vector<std::size_t>& starts,
                     const Position& position) {
    if (position.line < 0)
        return 0;
    if (static_cast<std::size_t>(position.line) >= starts.size())
        return text.size();
    const std::size_t l = static_cast<std::size_t>(position.line);
    const std::size_t end = LineEnd(text, starts, l);
    std::size_t i = starts[l];
    for (std::int64_t units = 0; i < end && units < position.character;) {
        const std::size_t n = SequenceLength(text, i);
        units += n == 4 ? 2 : 1;
        i += n == 0 ? 1 : n;
    }
    return i;
}

} // namespace lxtool::lsp
