#include "host/cli/cli.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    // The build names the plug-in module relative to this executable when it builds both.
    std::string defaultPlugin;
#ifdef LX_DEFAULT_PLUGIN_RELATIVE
    std::string dir = lxcli::ExecutableDirectory();
    if (!dir.empty())
        defaultPlugin = dir + "/" + LX_DEFAULT_PLUGIN_RELATIVE;
#endif
    return lxcli::RunLexameter(argc, argv, defaultPlugin, std::cout, std::cerr);
}
