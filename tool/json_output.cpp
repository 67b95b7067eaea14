#include "tool/json_output.h"

#include "analysis/precise/languages.h"
#include "analysis/precise/precise.h"
#include "analysis/tokenizer.h"
#include "host/formats/frameroman.h"
#include "tool/run.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxtool {

namespace {

constexpr const char* kNotAvailable = "n/a";
// Between a word and its count in a word list with counts.
constexpr const char* kCountSeparator = "    ";

nlohmann::json AlertJson(const std::string& alert) {
    nlohmann::json values = nlohmann::json::object();
    std::istringstream lines(alert);
    std::string line;
    while (std::getline(lines, line)) {
        nlohmann::json labelled = JsonLabelled(line);
        if (!labelled.empty())
            values[labelled["label"].get<std::string>()] = labelled["value"];
    }
    return {{"text", alert}, {"values", values}};
}

// A word list's paragraphs after its heading, up to the empty paragraph before the total.
nlohmann::json WordsJson(const OutputDocument& d) {
    nlohmann::json words = nlohmann::json::array();
    for (std::size_t i = 1; i < d.paragraphs.size(); ++i) {
        const std::string& text = d.paragraphs[i].text;
        if (text.empty())
            break;
        std::size_t at = text.rfind(kCountSeparator);
        nlohmann::json count = nullptr;
        if (at != std::string::npos) {
            nlohmann::json n = JsonValueOf(text.substr(at + 4));
            if (n.is_number_integer())
                count = n;
        }
        const std::string word = count.is_null() ? text : text.substr(0, at);
        nlohmann::json entry = {{"word", word}, {"count", count}};
        if (!count.is_null()) {
            // The word's syllables as the list's profile counts them: the classic rules read its
            // host bytes, the precise profile pronounces it in the list's language.
            std::string host;
            if (d.counting == Counting::Classic)
                lxhost::Utf8ToFrameRoman(word, host);
            const int syllables = d.counting == Counting::Precise
                                      ? lxprecise::Syllables(word, LanguageOrEnglish(d.language))
                                      : CountSyllablesView(host);
            entry["syllables"] = syllables;
            entry["complex"] = syllables >= kComplexWordSyllables;
        }
        words.push_back(std::move(entry));
    }
    return words;
}

nlohmann::json DocumentJson(const OutputDocument& d) {
    nlohmann::json doc;
    doc["heading"] = d.heading;
    doc["paragraphs"] = nlohmann::json::array();
    for (const OutputParagraph& p : d.paragraphs) {
        nlohmann::json paragraph = {{"format", p.format}, {"text", p.text}};
        paragraph.update(JsonLabelled(p.text));
        doc["paragraphs"].push_back(paragraph);
    }
    doc["tables"] = nlohmann::json::array();
    for (const OutputTable& t : d.tables) {
        nlohmann::json rows = nlohmann::json::array();
        for (const std::vector<std::string>& row : t.rows) {
            nlohmann::json cells = nlohmann::json::array();
            for (const std::string& cell : row) {
                nlohmann::json value = JsonValueOf(cell);
                cells.push_back({{"text", cell}, {"value", value.is_number() ? value : nullptr}});
            }
            rows.push_back(cells);
        }
        doc["tables"].push_back({{"rows", rows}});
    }
    if (d.wordList)
        doc["words"] = WordsJson(d);
    return doc;
}

// Menus nest only as deep as a user can follow; deeper items are left out.
constexpr int kMaxMenuDepth = 32;

const char* MenuKindName(lxhost::MenuKind kind) {
    switch (kind) {
    case lxhost::MenuKind::MenuBar:
        return "menuBar";
    case lxhost::MenuKind::Menu:
        return "menu";
    case lxhost::MenuKind::Command:
        return "command";
    case lxhost::MenuKind::Separator:
        return "separator";
    }
    return "menu";
}

nlohmann::json MenuItemJson(const lxhost::MenuModel& menus, const lxhost::MenuObject& obj,
                            int depth) {
    nlohmann::json item = {
        {"kind", MenuKindName(obj.kind)}, {"id", obj.id}, {"tag", obj.tag}, {"label", obj.label}};
    if (obj.kind == lxhost::MenuKind::Command) {
        item["number"] = obj.command;
        if (!obj.shortcut.empty())
            item["shortcut"] = obj.shortcut;
    }
    if (obj.kind == lxhost::MenuKind::MenuBar || obj.kind == lxhost::MenuKind::Menu) {
        item["items"] = nlohmann::json::array();
        if (depth < kMaxMenuDepth)
            for (ObjectId id : obj.items)
                if (const lxhost::MenuObject* child = menus.Get(id))
                    item["items"].push_back(MenuItemJson(menus, *child, depth + 1));
    }
    return item;
}

} // namespace

nlohmann::json MenusJson(const lxhost::MenuModel& menus) {
    nlohmann::json roots = nlohmann::json::array();
    for (ObjectId id : menus.Roots())
        if (const lxhost::MenuObject* obj = menus.Get(id))
            roots.push_back(MenuItemJson(menus, *obj, 0));
    return roots;
}

nlohmann::json JsonValueOf(const std::string& text) {
    if (text.empty() || text == kNotAvailable)
        return nullptr;
    std::string digits;
    for (char c : text)
        if (c != ',')
            digits += c;
    if (digits.empty() || digits.find_first_not_of("0123456789.-") != std::string::npos)
        return text;
    // A number out of range stays text rather than becoming a wrong number.
    char* end = nullptr;
    errno = 0;
    if (digits.find('.') == std::string::npos) {
        long long v = std::strtoll(digits.c_str(), &end, 10);
        if (end && *end == '\0' && errno == 0)
            return v;
    } else {
        double v = std::strtod(digits.c_str(), &end);
        if (end && *end == '\0' && errno == 0)
            return v;
    }
    return text;
}

nlohmann::json JsonLabelled(const std::string& text) {
    std::size_t colon = text.find(": ");
    if (colon == std::string::npos || colon == 0)
        return nlohmann::json::object();
    return {{"label", text.substr(0, colon)}, {"value", JsonValueOf(text.substr(colon + 2))}};
}

nlohmann::json RunReportToJson(const RunReport& report) {
    nlohmann::json j;
    j["schemaVersion"] = kJsonSchemaVersion;
    j["toolVersion"] = LX_VERSION;
    j["command"] =
        report.command.empty() ? nlohmann::json(nullptr) : nlohmann::json(report.command);
    j["files"] = report.files;
    j["alerts"] = nlohmann::json::array();
    for (const std::string& a : report.alerts)
        j["alerts"].push_back(AlertJson(a));
    j["console"] = report.console;
    j["status"] = report.status;
    j["documents"] = nlohmann::json::array();
    for (const OutputDocument& d : report.documents)
        j["documents"].push_back(DocumentJson(d));
    j["errors"] = report.componentErrors;
    for (const std::string& e : report.errors)
        j["errors"].push_back(e);
    j["warnings"] = report.warnings;
    j["saved"] = report.saved;
    j["textNotes"] = nlohmann::json::array();
    for (const lxhost::TextNote& n : report.textNotes)
        j["textNotes"].push_back({{"file", n.path},
                                  {"encoding", n.encoding},
                                  {"charactersWithoutForm", n.charactersWithoutForm}});
    j.update(report.extra);
    j["exitStatus"] = report.exitStatus;
    return j;
}

std::string JsonText(const nlohmann::json& document) {
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace lxtool
