// `lexameter lsp`: the language server on standard input and output.
#include "tool/commands.h"
#include "tool/lsp/server.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace lxtool {

int RunLsp(const ToolCommand&, const ToolOptions& options, std::ostream& out, std::ostream& err) {
#if defined(_WIN32)
    // The frames count bytes: no line ends may be translated either way.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    lsp::BufferSettings settings;
    if (!options.config.empty()) {
        std::error_code ec;
        const std::filesystem::path config = std::filesystem::absolute(options.config, ec);
        settings.config = ec ? options.config : config.string();
    }
    settings.given = options.thresholds;
    settings.excludeFormats = options.excludeFormats;
    settings.excludeFormatsGiven = options.excludeFormatsGiven;
    settings.includeFormats = options.includeFormats;
    settings.allowOutside = options.allowOutside;
    return lsp::Serve(*std::cin.rdbuf(), out, err, settings);
}

} // namespace lxtool
