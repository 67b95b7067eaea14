#include "tool/output_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace lxtool {

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

long ProcessId() {
#if defined(_WIN32)
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(getpid());
#endif
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

// A name in the target's folder for the file while it is written; the process id and a count
// keep parallel runs and the outputs of one run apart.
std::string TemporaryPath(const std::string& path) {
    static unsigned counter = 0;
    const fs::path target(path);
    const std::string name = "." + target.filename().string() + ".lexameter-" +
                             std::to_string(ProcessId()) + "-" + std::to_string(++counter);
    return (target.parent_path() / name).string();
}

// Writes the contents whole to a new temporary file beside the target; "" or the reason it
// failed (the temporary file is then gone). The file is created exclusively: a name planted in
// the folder, a symbolic link among them, is never followed.
std::string WriteTemporary(const OutputFile& file, const std::string& temporary) {
    errno = 0;
#if defined(_WIN32)
    int fd = _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, 0666);
#else
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
    if (fd < 0)
        return "cannot write '" + file.path + "': " + Reason(errno ? errno : EIO);
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        const int error = errno ? errno : EIO;
        close(fd);
        std::remove(temporary.c_str());
        return "cannot write '" + file.path + "': " + Reason(error);
    }
    int error = 0;
    auto put = [&](std::string_view piece) {
        // After a failed write the rest is made but not written: the file is given up.
        if (error == 0 && std::fwrite(piece.data(), 1, piece.size(), f) != piece.size())
            error = errno ? errno : EIO;
    };
    try {
        if (file.write)
            file.write(put);
        else
            put(file.contents);
    } catch (...) {
        std::fclose(f);
        std::remove(temporary.c_str());
        throw;
    }
    if (std::fclose(f) != 0 && error == 0)
        error = errno ? errno : EIO;
    if (error == 0)
        return "";
    std::remove(temporary.c_str()); // no half-written output is left behind
    return "cannot write '" + file.path + "': " + Reason(error);
}

// Puts the written temporary file in the target's place in one step, so that the target is
// either the old file or the whole new one, never a part. Without force the step fails when
// the name exists (also when it appeared while the file was written); with force it replaces
// what has the name, a symbolic link itself and not the file the link points to.
std::string MoveIntoPlace(const std::string& temporary, const std::string& path, bool force) {
    errno = 0;
    int error = 0;
#if defined(_WIN32)
    if (force) {
        std::error_code ec;
        fs::rename(temporary, path, ec);
        error = ec ? ec.value() : 0;
    } else if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno ? errno : EEXIST; // the C library's rename never replaces a file here
    }
#else
    if (force) {
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            error = errno ? errno : EIO;
    } else if (link(temporary.c_str(), path.c_str()) != 0) {
        error = errno ? errno : EIO;
    } else {
        unlink(temporary.c_str());
    }
#endif
    if (error == 0)
        return "";
    std::remove(temporary.c_str());
    if (error == EEXIST)
        return "'" + path + "' exists: not replaced (--force replaces it)";
    return "cannot write '" + path + "': " + Reason(error);
}

} // namespace

std::string OutputStem(const std::vector<std::string>& files) {
    if (files.size() != 1)
        return kUntitledBookStem;
    if (files[0] == "-" || files[0] == kStdinStem)
        return kStdinStem;
    // "docs", "docs/" and "." name a folder by its own name, as its absolute path ends.
    fs::path path = Normal(files[0]);
    if (!path.has_filename())
        path = path.parent_path();
    std::string stem = path.stem().string();
    return stem.empty() || stem[0] == '.' ? std::string(kUntitledBookStem) : stem;
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
    // Every file is written before any is put in place: a failure (a full disk) leaves the
    // folder as it was, and never one output of a pair without the other.
    std::vector<std::string> temporaries;
    for (const OutputFile& file : files) {
        temporaries.push_back(TemporaryPath(file.path));
        std::string problem = WriteTemporary(file, temporaries.back());
        if (!problem.empty()) {
            temporaries.pop_back();
            for (const std::string& t : temporaries)
                std::remove(t.c_str());
            errors->push_back(problem);
            return false;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string problem = MoveIntoPlace(temporaries[i], files[i].path, policy.force);
        if (!problem.empty()) {
            for (std::size_t j = i + 1; j < files.size(); ++j)
                std::remove(temporaries[j].c_str());
            errors->push_back(problem);
            return false;
        }
        saved->push_back(files[i].path);
    }
    return true;
}

} // namespace lxtool
