// The tool's JSON output: every run with --json prints exactly one document, described by the
// published schema (schema/lexameter-run.schema.json). Numbers are JSON numbers, "n/a" is null,
// and every document carries the schema's version, so that a pipeline can check what it reads.
#pragma once

#include "host/api/menus.h"
#include "tool/run_report.h"

#include <nlohmann/json.hpp>

#include <string>

namespace lxtool {

// The version of the schema the documents follow: raised whenever a member changes meaning or
// goes away (adding an optional member keeps it).
constexpr int kJsonSchemaVersion = 1;

// A displayed value as JSON: a number when the whole text is one ("1,234" is 1234), null for
// "n/a" (a measure with nothing to measure) and for no text, else the text itself.
nlohmann::json JsonValueOf(const std::string& text);

// "Label: value" as {"label", "value"}; an empty object when the text is not of that form.
nlohmann::json JsonLabelled(const std::string& text);

// The menu tree as JSON: each menu bar, menu, command and separator with its kind, id, tag and
// label, a command's number (and shortcut), a bar's or menu's items.
nlohmann::json MenusJson(const lxhost::MenuModel& menus);

// The whole run as one JSON object, and that object as the text printed (two-space indented,
// ending in a newline; text that is not valid UTF-8 is replaced rather than refused).
nlohmann::json RunReportToJson(const RunReport& report);
std::string JsonText(const nlohmann::json& document);

} // namespace lxtool
