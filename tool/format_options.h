#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace lxcli {

// The options that choose which paragraph formats are examined, the same for every command of
// the tool: --exclude-format leaves a format out, --include-format counts one the reader leaves
// out by default. Each is repeatable and takes one NAME a time.
inline void AddFormatOptions(CLI::App& app, std::vector<std::string>& excludeFormats,
                             std::vector<std::string>& includeFormats) {
    app.add_option("--exclude-format", excludeFormats,
                   "do not examine paragraphs of this paragraph format (repeatable)")
        ->type_name("NAME")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--include-format", includeFormats,
                   "examine paragraphs of this format although the reader leaves them out by "
                   "default (Code in Markdown, HTML and XML) (repeatable)")
        ->type_name("NAME")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

} // namespace lxcli
