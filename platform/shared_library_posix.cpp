#include "platform/shared_library.h"

#include <dlfcn.h>

namespace lxplatform {

void* OpenSharedLibrary(std::initializer_list<const char*> names, std::string* error) {
    std::string why;
    for (const char* name : names) {
        if (void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
            return library;
        }
        const char* message = dlerror();
        why = message != nullptr ? message : name;
    }
    *error = why;
    return nullptr;
}

void* SharedLibrarySymbol(void* library, const char* name) {
    return dlsym(library, name);
}

} // namespace lxplatform
