// Loading a shared library while the program runs, for a library that only some runs need (its
// pages, and those of the libraries it brings, are then not mapped into every run). POSIX only.
#pragma once

#include <initializer_list>
#include <string>

namespace lxplatform {

// Loads the first of the names that loads (a file name the loader searches for, or a path); the
// library stays loaded until the program ends. Null, with the loader's message in error, when
// none does.
void* OpenSharedLibrary(std::initializer_list<const char*> names, std::string* error);
// The address of a symbol of a library OpenSharedLibrary gave; null when it has none.
void* SharedLibrarySymbol(void* library, const char* name);

} // namespace lxplatform
