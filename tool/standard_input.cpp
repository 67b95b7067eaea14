#include "tool/standard_input.h"

#include "tool/options.h"
#include "tool/output_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace lxtool {

bool ProvideStandardInput(lxhost::Session& session, std::vector<std::string>* files,
                          std::string* error) {
    auto dash = std::find(files->begin(), files->end(), kStandardInputName);
    if (dash == files->end())
        return true;
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY); // the bytes as they are, for MIF and UTF-16 alike
#endif
    std::string data;
    char buffer[65536];
    while (true) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
        if (data.size() + n > kMaxStandardInputBytes) {
            *error = "standard input: more than 2 GiB (the largest file read)";
            return false;
        }
        data.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(stdin)) {
        *error = "cannot read standard input: " + std::string(std::strerror(errno));
        return false;
    }
    session.providedFiles[kStdinStem] = std::move(data);
    *dash = kStdinStem;
    return true;
}

} // namespace lxtool
