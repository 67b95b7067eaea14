// What one run of the tool produced, gathered for printing: the alerts, console lines and status
// texts the plug-in showed, the output documents it made, and the errors met on the way.
#pragma once

#include "host/model/model.h"
#include "tool/options.h"

#include <nlohmann/json.hpp>

#include <iosfwd>

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace lxtool {

struct OutputParagraph {
    std::string format;
    std::string text; // UTF-8
};

struct OutputTable {
    std::vector<std::vector<std::string>> rows; // cell texts, UTF-8, heading rows first
};

struct OutputDocument {
    std::string heading;   // the first paragraph's text
    bool wordList = false; // a word list: one word (and its count) a paragraph
    // The profile that counted its figures (and counts its words' syllables in the JSON).
    Counting counting = Counting::Classic;
    // The language a word list's syllables are counted in under the precise profile (a list is
    // one per run: the run's main language, see MainLanguage).
    std::string language = "en";
    std::vector<OutputParagraph> paragraphs;
    std::vector<OutputTable> tables;
    std::string rendered; // the document as terminal text
    // Columns the tool adds after the document's own in its CSV: their headings, and the cells
    // of each row below the headings, in order.
    std::vector<std::string> addedHeadings;
    std::vector<std::vector<std::string>> addedRows;
};

struct RunReport {
    std::string command;
    std::vector<std::string> files;
    // The input as the user knows it (a file name, "stdin"): the first column of an alert's CSV.
    std::string inputName;
    std::vector<std::string> alerts;
    std::vector<std::string> console;
    std::vector<std::string> status;
    std::vector<OutputDocument> documents;
    std::vector<std::string> errors;
    std::vector<lxhost::TextNote> textNotes;
    // Files of a book that did not open (the plug-in reported them on the console).
    std::vector<std::string> componentErrors;
    std::vector<std::string> warnings;
    std::vector<std::string> saved; // the files written in the --out folder
    // What a command adds to the JSON document besides the above (the menus, a help text, ...):
    // members of the top-level object, each described in the published schema.
    nlohmann::json extra = nlohmann::json::object();
    int exitStatus = 0;
};

// The lines that tell the user about a file's text: that it was read as Windows-1252, and how
// many of its characters had no FrameRoman form and what became of them.
std::vector<std::string> TextNoteLines(const lxhost::TextNote& note);

// The text without the blank lines at its end (the empty paragraphs an output document ends in,
// the blank line an alert ends in), ending in one newline; empty when there is no text.
std::string AsTextBlock(std::string_view text);

// The paragraphs of the document's main flow and its tables, as the user reads them.
OutputDocument DescribeDocument(lxhost::Document& doc);

// The text with every control character (a terminal escape in a file name, a line break inside a
// name) blanked, for a message on the terminal: what a document says never drives the terminal.
// keepLineFeeds keeps the line feeds of a message of several lines.
std::string BlankControls(std::string text, bool keepLineFeeds = false);

// The input as the user knows it: the file's name, "stdin" for standard input, "book" for
// several files.
std::string InputName(const std::vector<std::string>& files);
// Why a run stopped on an exception no reader caught (memory, the host's object ids): the error
// that names the file it was reading, e.g. "big.txt: cannot read: out of memory".
std::string StoppedRunError(const std::string& file, const std::exception& e);

// An output document's figures as CSV: its tables (a book report's, one row a file), or for a
// document without tables (and for an alert) one row of its "Label: value" lines. Headings are
// the keys every CSV of the tool uses (snake_case), the file's name first.
std::string CsvOf(const OutputDocument& d, const std::string& fileName);

// Prints what the run produced and answers its exit status: with --json the tool's one JSON
// document on out; otherwise the output documents (as text, or with --csv as CSV) on out, and
// the text notes, warnings and errors on err. A command that prints results of its own prints
// them before it finishes.
int Finish(const ToolOptions& options, const RunReport& report, std::ostream& out,
           std::ostream& err);
// A run that stopped on one error: the error with its status, as every run reports one.
int FinishWithError(const ToolOptions& options, const std::string& error, int status,
                    std::ostream& out, std::ostream& err);
// A usage error: "lexameter: MESSAGE" and where to find the command's help on err, or with
// --json the tool's document; answers kExitUsage.
int UsageError(const ToolOptions& options, const std::string& message, std::ostream& out,
               std::ostream& err);

} // namespace lxtool
