// What the language server knows of one open buffer: where it stands on disk (its URI as a
// path), its text, and its figures and findings as last measured. A buffer is measured from
// memory through the host's own readers, the format chosen by the file's extension (or, for a
// name without one, by the editor's language id); nothing is written beside the user's files.
#pragma once

#include "tool/figures.h"
#include "tool/thresholds.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lxtool::lsp {

// A place in a buffer as the protocol gives it: 0-based line, and the column in UTF-16 code
// units (the protocol's default position encoding).
struct Position {
    std::int64_t line = 0;
    std::int64_t character = 0;
};

// What a diagnostic tells: where (1-based line and column in characters, as the figures give
// them; 0 when not known: the buffer's start), the rule and the message.
struct BufferFinding {
    std::int32_t line = 0;
    std::int32_t column = 0;
    std::string rule;
    std::string message;
    bool error = false; // the buffer could not be measured at all (not a threshold missed)
};

// The settings a buffer is measured with: the configuration file that holds for it (searched
// from its folder upward unless the server was given one), overridden by the server's options.
struct BufferSettings {
    std::string config;      // the server's --config; empty: search from the buffer's folder
    ThresholdSettings given; // the server's threshold options
    std::vector<std::string> excludeFormats; // the server's --exclude-format, when given
    bool excludeFormatsGiven = false;
    std::vector<std::string> includeFormats;
    bool allowOutside = false;  // a DITA or DocBook buffer may include files outside its folder
    std::string fallbackFolder; // where to search for a buffer with no folder (untitled)
};

struct MeasuredBuffer {
    bool measured = false; // the buffer's format is one the server measures and it was read
    FileFigures file;      // its figures (one file)
    std::vector<BufferFinding> findings;
    std::string configPath; // the configuration file used; "" when none
    Counting counting = Counting::Classic;
};

// The path of a file: URI ("file:///a/b%20c.md" -> "/a/b c.md"); "" for any other URI.
std::string PathOfUri(std::string_view uri);

// The name a buffer is read under: its path (or URI's last segment), with the extension of its
// language added when the name has none the host knows ("notes" in Markdown: "notes.md").
// "" when the buffer is in no language the server measures.
std::string ReadingName(std::string_view uri, std::string_view languageId);

// Measures a buffer's text as the file 'name' (ReadingName) of the folder 'folder', with the
// thresholds of the configuration that holds there. A reader's or configuration's failure is
// one finding with error set, at the buffer's start.
MeasuredBuffer MeasureBuffer(const std::string& name, const std::string& folder,
                             const std::string& text, const BufferSettings& settings);

// The findings of a measured file against the thresholds: the one place the server's
// diagnostics come from.
std::vector<BufferFinding> FindingsOf(const FileFigures& file, const Thresholds& thresholds);

// The paragraph whose source lines hold the 0-based line, or null: a paragraph runs from its
// start line to the line before the next paragraph's, ending early at a blank line.
const ParagraphFigures* ParagraphAtLine(const FileFigures& file, std::string_view text,
                                        std::int64_t line);

// The hover text of a paragraph (Markdown): its grade, sentences, words and complex words.
std::string HoverText(const ParagraphFigures& paragraph);

// The figures of a whole buffer, for the documentFigures command.
nlohmann::json DocumentFiguresJson(const MeasuredBuffer& buffer);

// --- Positions in the protocol's units
// The byte offsets at which the lines of text begin (after "\n", "\r\n" or "\r").
std::vector<std::size_t> LineStarts(std::string_view text);
// The UTF-16 length of UTF-8 text; a byte that begins no valid sequence counts as one unit.
std::int64_t Utf16Length(std::string_view utf8);
// The protocol's position of a 1-based line and 1-based column in characters, as the figures
// give them (clamped into the text). A byte that begins no valid UTF-8 sequence is a character.
Position PositionOf(std::string_view text, const std::vector<std::size_t>& lineStarts,
                    std::int32_t line, std::int32_t column);
// The byte offset of a protocol position (clamped into its line, and into the text).
std::size_t OffsetOf(std::string_view text, const std::vector<std::size_t>& lineStarts,
                     const Position& position);

} // namespace lxtool::lsp
