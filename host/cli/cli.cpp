#include "host/cli/cli.h"

#include "host/api/host.h"
#include "host/api/loader.h"

#include <CLI/CLI.hpp>

#include <ostream>

#if !defined(_WIN32)
#include <climits>
#include <unistd.h>
#endif

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxcli {

namespace {

constexpr const char* kProgram = "lexameter";
// Application property: the host's installation directory.
constexpr std::int32_t kAppInstallDir = 89;
// The document Tools menu and the plug-in's submenu in it, found by label as a user would.
constexpr const char* kToolsMenuTag = "LXTools";
constexpr const char* kReadabilityLabel = "Readability";
constexpr const char* kAboutLabel = "About Lexameter...";

// One run of the tool: the host with the plug-in loaded and initialised.
struct Session {
    lxhost::Host& host;
    lxhost::PluginLoader& loader;
    const CliOptions& options;
    std::ostream& out;
    std::ostream& err;
};

int RunAbout(Session& s) {
    auto number = s.host.menus().FindCommandNumber(kToolsMenuTag, {kReadabilityLabel, kAboutLabel});
    if (!number) {
        s.err << kProgram << ": plug-in '" << s.loader.path() << "': no command \"" << kAboutLabel
              << "\" in its \"" << kReadabilityLabel << "\" menu of the Tools menu ("
              << kToolsMenuTag << ")\n";
        return kExitPlugin;
    }
    if (!s.loader.Command(*number)) {
        s.err << kProgram << ": " << s.loader.error() << "\n";
        return kExitPlugin;
    }
    return kExitOk;
}

int RunMenus(Session& s) {
    s.host.menus().Print(s.out);
    return kExitOk;
}

struct CliCommand {
    const char* name;
    const char* description;
    int (*run)(Session&);
};

constexpr CliCommand kCommands[] = {
    {"about", "show the plug-in's About alert", RunAbout},
    {"menus", "print the menu bars with the menus and commands the plug-in installed", RunMenus},
};

const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

std::string CommandList() {
    std::string list;
    for (const CliCommand& c : kCommands) {
        if (!list.empty())
            list += ", ";
        list += c.name;
    }
    return list;
}

std::string CommandHelp() {
    std::string text = "Commands:\n";
    for (const CliCommand& c : kCommands) {
        std::string name = c.name;
        text += "  " + name + std::string(name.size() < 10 ? 10 - name.size() : 1, ' ') +
                c.description + "\n";
    }
    text += "\nExit status: 0 success, 1 usage error, 2 a file could not be opened or read,\n"
            "3 the plug-in could not be loaded or initialised.";
    return text;
}

int UsageError(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << message << "\n"
        << "Run '" << kProgram << " --help' for usage.\n";
    return kExitUsage;
}

int Run(const CliOptions& options, const CliCommand& command, const std::string& plugin,
        std::ostream& out, std::ostream& err) {
    lxhost::Host host;
    host.SetAlertStream(&out);
    host.SetConsoleStream(&err);
    if (!options.installDir.empty())
        host.SetValue(0, kAppInstallDir, {std::optional<std::string>(options.installDir)});

    // Declared after the host so that the module is unloaded while the host still stands.
    lxhost::PluginLoader loader(host);
    if (!loader.Load(plugin) || !loader.Initialize(1)) {
        err << kProgram << ": " << loader.error() << "\n";
        return kExitPlugin;
    }
    for (const std::string& message : options.messages)
        if (!loader.SendMessage(message))
            err << kProgram << ": warning: " << loader.error() << "\n";

    Session session{host, loader, options, out, err};
    int status = command.run(session);
    out.flush();
    return status;
}

} // namespace

std::string ExecutableDirectory() {
    std::string path;
#if defined(_WIN32)
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return "";
    path.assign(buffer, n);
    std::size_t slash = path.find_last_of("\\/");
#else
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return "";
    path.assign(buffer, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

int RunLexameter(int argc, const char* const* argv, const std::string& defaultPlugin,
                 std::ostream& out, std::ostream& err) {
    CliOptions options;
    CLI::App app{"Measures the readability of documents and books with the Lexameter plug-in.",
                 kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + LX_VERSION);
    app.add_option("--plugin", options.plugin, "the plug-in module to load")->type_name("PATH");
    app.add_option("--message", options.messages,
                   "a command message for the plug-in, delivered before the command (repeatable)")
        ->type_name("TEXT")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--install-dir", options.installDir,
                   "the host's installation directory (templates, converter data)")
        ->type_name("DIR");
    app.add_option("command", options.command, "the command to run")->type_name("COMMAND");
    app.add_option("files", options.files, "documents or a book")->type_name("FILE");
    app.footer(CommandHelp());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e, out, err);
        return status == 0 ? kExitOk : kExitUsage;
    }

    if (options.command.empty())
        return UsageError(err, "no command given (commands: " + CommandList() + ")");
    const CliCommand* command = FindCommand(options.command);
    if (!command)
        return UsageError(err, "unknown command '" + options.command +
                                   "' (commands: " + CommandList() + ")");
    if (!options.files.empty())
        return UsageError(err, "the command '" + options.command + "' takes no files");

    std::string plugin = options.plugin.empty() ? defaultPlugin : options.plugin;
    if (plugin.empty())
        return UsageError(err, "no plug-in module is known to this build: pass --plugin PATH");
    return Run(options, *command, plugin, out, err);
}

} // namespace lxcli
