// What one run of the tool produced, gathered for printing: the alerts, console lines and status
// texts the plug-in showed, the output documents it made, and the errors met on the way.
#pragma once

#include "host/model/model.h"

#include <string>
#include <vector>

namespace lxcli {

struct OutputParagraph {
    std::string format;
    std::string text; // UTF-8
};

struct OutputTable {
    std::vector<std::vector<std::string>> rows; // cell texts, UTF-8, heading rows first
};

struct OutputDocument {
    std::string heading; // the first paragraph's text
    std::vector<OutputParagraph> paragraphs;
    std::vector<OutputTable> tables;
    std::string rendered; // the document as terminal text
};

struct RunReport {
    std::string command;
    std::vector<std::string> files;
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
    int exitStatus = 0;
};

// The lines that tell the user about a file's text: that it was read as Windows-1252, and how
// many of its characters had no FrameRoman form and what became of them.
std::vector<std::string> TextNoteLines(const lxhost::TextNote& note);

// The paragraphs of the document's main flow and its tables, as the user reads them.
OutputDocument DescribeDocument(lxhost::Document& doc);
// A file name made from a heading: letters and digits kept, everything else one '-'.
std::string FileNameOfHeading(const std::string& heading);
// The whole run as one JSON document. Each alert line "Label: value" also appears as a key with
// its value, a number where the value is numeric.
std::string RunReportJson(const RunReport& report);

} // namespace lxcli
