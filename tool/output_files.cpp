#include "tool/output_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace lxcli {

namespace fs = std::filesystem;

namespace {

// A path made absolute and normal, to compare paths however they were written.
fs::path Normal(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    return (ec ? fs::path(path) : p).lexically_normal();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec)
        return true;
    return Normal(a) == Normal(b);
}

// Whether the path names an input of the run.
bool IsInput(const std::string& path, const std::vector<std::string>& inputs) {
    return std::any_of(inputs.begin(), inputs.end(),
                       [&](const std::string& in) { return in != "-" && SameFile(path, in); });
}

std::string Reason(int error) {
    return std::make_error_code(static_cast<std::errc>(error)).message();
}

// Why the file cannot be saved, or "" when it can.
std::string CheckTarget(const std::string& path, const SavePolicy& policy) {
    if (IsInput(path, policy.inputs))
        return "'" + path + "' is an input of this run: it is never replaced";
    std::error_code ec;
    fs::file_status st = fs::symlink_status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return "cannot write '" + path + "': " + ec.message();
    if (fs::is_directory(st))
        return "cannot write '" + path + "': a folder of that name exists";
    if (fs::exists(st) && !policy.force)
        return "'" + path + "' exists: not replaced (--force replaces it)";
    return "";
}

// Writes the file whole; "" or the reason it failed.
std::string WriteFile(const OutputFile& file) {
    errno = 0;
    std::FILE* f = std::fopen(file.path.c_str(), "wb");
    if (!f)
        return "cannot write '" + file.path + "': " + Reason(errno ? errno : EIO);
    std::size_t written = std::fwrite(file.contents.data(), 1, file.contents.size(), f);
    int error = written == file.contents.size() ? 0 : (errno ? errno : EIO);
    if (std::fclose(f) != 0 && error == 0)
        error = errno ? errno : EIO;
    if (error == 0)
        return "";
    std::remove(file.path.c_str()); // no half-written output is left behind
    return "cannot write '" + file.path + "': " + Reason(error);
}

} // namespace

std::string OutputStem(const std::vector<std::string>& files) {
    if (files.size() != 1)
        return kUntitledBookStem;
    if (files[0] == "-")
        return kStdinStem;
    std::string stem = fs::path(files[0]).stem().string();
    return stem.empty() ? std::string(kUntitledBookStem) : stem;
}

std::string OutputPath(const std::string& dir, const std::string& stem, const std::string& what,
                       const std::string& extension) {
    return (fs::path(dir) / (stem + "." + what + "." + extension)).string();
}

bool PrepareOutputFolder(const std::string& dir, std::string* error) {
    std::error_code ec;
    fs::file_status st = fs::status(dir, ec);
    if (fs::is_directory(st))
        return true;
    if (fs::exists(st)) {
        *error = "cannot save in '" + dir + "': it is not a folder";
        return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        *error = "cannot make the folder '" + dir + "': " + ec.message();
        return false;
    }
    return true;
}

bool SaveOutputFiles(const std::vector<OutputFile>& files, const SavePolicy& policy,
                     std::vector<std::string>* errors, std::vector<std::string>* saved) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string problem = CheckTarget(files[i].path, policy);
        // Two outputs of one run with one name would replace each other.
        for (std::size_t j = 0; problem.empty() && j < i; ++j)
            if (SameFile(files[i].path, files[j].path))
                problem = "two outputs of this run are named '" + files[i].path + "'";
        if (!problem.empty()) {
            errors->push_back(problem);
            return false;
        }
    }
    for (const OutputFile& file : files) {
        std::string problem = WriteFile(file);
        if (!problem.empty()) {
            errors->push_back(problem);
            return false;
        }
        saved->push_back(file.path);
    }
    return true;
}

} // namespace lxcli
