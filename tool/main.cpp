#include "tool/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

// Where the plug-in module and the host's installation directory are, relative to this
// executable: installed, lib/lexameter/ and share/lexameter/ beside bin/; in the build tree,
// where the build put the module, and the build tree's own share/lexameter/.
std::string DefaultPlugin(const std::string& dir) {
#ifdef LX_PLUGIN_FILE_NAME
    std::string installed = dir + "/../lib/lexameter/" + LX_PLUGIN_FILE_NAME;
    std::error_code ec;
    if (std::filesystem::exists(installed, ec))
        return installed;
#endif
#ifdef LX_DEFAULT_PLUGIN_RELATIVE
    return dir + "/" + LX_DEFAULT_PLUGIN_RELATIVE;
#else
    return "";
#endif
}

std::string DefaultInstallDir(const std::string& dir) {
    std::string share = dir + "/../share/lexameter";
    std::error_code ec;
    return std::filesystem::is_directory(share, ec) ? share : "";
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = lxtool::ExecutableDirectory();
    std::string plugin = dir.empty() ? "" : DefaultPlugin(dir);
    std::string installDir = dir.empty() ? "" : DefaultInstallDir(dir);
    lxtool::LeaveDocumentsToExit(true);
    int status = lxtool::RunLexameter(argc, argv, plugin, installDir, std::cout, std::cerr);
    // What could not be written to standard output (a full disk, a closed pipe) is lost: the run
    // failed, whatever the command made of it.
    std::cout.flush();
    const bool written =
        static_cast<bool>(std::cout) && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) {
        std::cerr << "lexameter: cannot write to standard output: " << std::strerror(errno) << "\n";
        return lxtool::kExitFile;
    }
    return status;
}
