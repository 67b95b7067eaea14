// Where the tool saves what a run made (--out): files named after what they measure, checked
// all together before any is written, never replacing an input of the run, and replacing an
// existing file only when the user asked for it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lxtool {

// The name given to the outputs of standard input and of several files measured together.
constexpr const char* kStdinStem = "stdin";
constexpr const char* kUntitledBookStem = "book";

// Takes the next piece of a file's contents.
using PutPiece = std::function<void(std::string_view piece)>;

struct OutputFile {
    OutputFile(std::string path, std::string contents)
        : path(std::move(path)), contents(std::move(contents)) {}
    OutputFile(std::string path, std::function<void(const PutPiece& put)> write)
        : path(std::move(path)), write(std::move(write)) {}

    std::string path;
    std::string contents;
    // When set, the contents are made while the file is written, handed to put piece by piece
    // (contents is not written then): an output larger than what it is made from is never held
    // whole.
    std::function<void(const PutPiece& put)> write;
};

struct SavePolicy {
    bool force = false;              // replace files that exist
    std::vector<std::string> inputs; // the run's inputs: never replaced, even with force
};

// The stem that the outputs of a run are named after: the input's file name without its last
// extension ("ch1.mif" gives "ch1"); for several files measured together, kUntitledBookStem;
// for standard input ("-"), kStdinStem.
std::string OutputStem(const std::vector<std::string>& files);

// "<dir>/<stem>.<what>.<extension>", e.g. "out/ch1.words.mif".
std::string OutputPath(const std::string& dir, const std::string& stem, const std::string& what,
                       const std::string& extension);

// Makes the folder with its parents when it does not exist; false with a message naming the
// folder and the reason when it cannot be made or is not a folder.
bool PrepareOutputFolder(const std::string& dir, std::string* error);

// Checks every file (not an input, not a folder, absent unless policy.force), then writes them;
// on the first problem nothing more is written. Each error names the file and the reason; saved
// receives the paths written.
bool SaveOutputFiles(const std::vector<OutputFile>& files, const SavePolicy& policy,
                     std::vector<std::string>* errors, std::vector<std::string>* saved);

} // namespace lxtool
