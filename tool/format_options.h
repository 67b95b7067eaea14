#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace lxcli {

// The options of the file readers, the same for every command of the tool: --exclude-format
// leaves a format out, --include-format counts one the reader leaves out by default (each is
// repeatable and takes one NAME a time); --allow-outside lets a book read files outside its folder.
inline void AddFormatOptions(CLI::App& app, std::vector<std::string>& excludeFormats,
                             std::vector<std::string>& includeFormats, bool& allowOutside) {
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
    app.add_flag("--allow-outside", allowOutside,
                 "let a book read files outside its folder (once links are followed)");
}

} // namespace lxcli
