// Stand-ins of the module, version and resource services. The library's one resource is its
// version resource (type 16, id 1), serialised here as a block of query paths and values that
// VerQueryValueA searches: the same answers the Windows calls give for the same queries.
#include "platform/module.h"

#include "resources/version_resource.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kBlockMagic[4] = {'L', 'X', 'V', 'I'};
constexpr unsigned kVersionResourceId = 1;

// The fixed part, as the root query "\" answers it.
struct FixedFileInfo {
    DWORD signature;
    DWORD structVersion;
    DWORD fileVersionMS;
    DWORD fileVersionLS;
    DWORD productVersionMS;
    DWORD productVersionLS;
};

// The block: magic, total size, the fixed part, then NUL-terminated path and value pairs, ending
// with an empty path.
const std::string& VersionBlock() {
    static const std::string block = [] {
        std::string b(kBlockMagic, sizeof kBlockMagic);
        b.append(sizeof(DWORD), '\0'); // the total size, written below
        FixedFileInfo fixed{0xFEEF04BD,
                            0x00010000,
                            kVersionFixed[0] << 16 | kVersionFixed[1],
                            kVersionFixed[2] << 16 | kVersionFixed[3],
                            kVersionFixed[0] << 16 | kVersionFixed[1],
                            kVersionFixed[2] << 16 | kVersionFixed[3]};
        b.append(reinterpret_cast<const char*>(&fixed), sizeof fixed);
        for (const VersionResourceString& s : kVersionStrings) {
            b += std::string("\\StringFileInfo\\") + kVersionStringTable + "\\" + s.key;
            b.push_back('\0');
            b += s.value;
            b.push_back('\0');
        }
        b.push_back('\0');
        DWORD size = static_cast<DWORD>(b.size());
        std::memcpy(b.data() + sizeof kBlockMagic, &size, sizeof size);
        return b;
    }();
    return block;
}

// This library's own file, found through a symbol of its own.
std::string OwnFileName() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFileName), &info) == 0 || !info.dli_fname)
        return {};
    std::string name = info.dli_fname;
    if (name.find('/') == std::string::npos) {
        // The main program reports its name as it was started; use its full path instead.
        char path[4096];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n > 0)
            name.assign(path, static_cast<std::size_t>(n));
    }
    return name;
}

// Whether a file name names this library, compared as canonical paths.
bool IsOwnFile(LPCSTR fileName) {
    if (!fileName)
        return false;
    std::string own = OwnFileName();
    if (own.empty())
        return false;
    char* a = realpath(own.c_str(), nullptr);
    char* b = realpath(fileName, nullptr);
    bool same = a && b && std::strcmp(a, b) == 0;
    std::free(a);
    std::free(b);
    return same;
}

// Resource names: an integer (MAKEINTRESOURCE) or "#n".
bool NameIs(LPCSTR name, unsigned id) {
    auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value <= 0xFFFF)
        return value == id;
    if (name[0] != '#' || name[1] == '\0')
        return false;
    unsigned long parsed = 0;
    for (const char* p = name + 1; *p; ++p) {
        if (*p < '0' || *p > '9' || parsed > 0xFFFF)
            return false;
        parsed = parsed * 10 + static_cast<unsigned long>(*p - '0');
    }
    return parsed == id;
}

struct Resource {
    unsigned type;
    unsigned id;
};
constexpr Resource kVersionResource = {kResourceTypeVersion, kVersionResourceId};

} // namespace

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
    if (!buffer || size == 0)
        return 0;
    std::string name;
    link_map* map = nullptr;
    if (!module || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return 0;
    if (map->l_name)
        name = map->l_name;
    if (name.empty()) {
        // The main program's map has no name: ask the system for the executable's path.
        char path[4096];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n <= 0)
            return 0;
        name.assign(path, static_cast<std::size_t>(n));
    }
    // As on Windows: a name that does not fit is cut to size - 1 bytes and terminated.
    DWORD n = static_cast<DWORD>(name.size() < size ? name.size() : size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return n;
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle) {
    if (handle)
        *handle = 0;
    return IsOwnFile(fileName) ? static_cast<DWORD>(VersionBlock().size()) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, void* data) {
    if (!data || !IsOwnFile(fileName))
        return 0;
    const std::string& block = VersionBlock();
    std::memcpy(data, block.data(), size < block.size() ? size : block.size());
    return 1;
}

BOOL VerQueryValueA(const void* block, LPCSTR subBlock, void** value, UINT* length) {
    if (!block || !subBlock || !value || !length)
        return 0;
    const char* b = static_cast<const char*>(block);
    if (std::memcmp(b, kBlockMagic, 4) != 0)
        return 0;
    DWORD size = 0;
    std::memcpy(&size, b + 4, sizeof size);
    const char* fixed = b + 8;
    if (std::strcmp(subBlock, "\\") == 0) {
        *value = const_cast<char*>(fixed);
        *length = sizeof(FixedFileInfo);
        return 1;
    }
    const char* p = fixed + sizeof(FixedFileInfo);
    const char* end = b + size;
    // Paths and values are NUL-terminated within the block's recorded size.
    while (p < end && *p != '\0') {
        const char* path = p;
        const char* pathEnd = static_cast<const char*>(std::memchr(p, '\0', end - p));
        if (!pathEnd)
            return 0;
        const char* v = pathEnd + 1;
        const char* vEnd = static_cast<const char*>(std::memchr(v, '\0', end - v));
        if (!vEnd)
            return 0;
        if (std::strcmp(path, subBlock) == 0) {
            *value = const_cast<char*>(v);
            *length = static_cast<UINT>(vEnd - v + 1); // characters with the terminator
            return 1;
        }
        p = vEnd + 1;
    }
    return 0;
}

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    if (!name || !type)
        return nullptr;
    if (NameIs(type, kVersionResource.type) && NameIs(name, kVersionResource.id))
        return &kVersionResource;
    return nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource == &kVersionResource ? static_cast<DWORD>(VersionBlock().size()) : 0;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    return resource == &kVersionResource ? VersionBlock().data() : nullptr;
}

void* LockResource(HGLOBAL loaded) {
    return const_cast<void*>(loaded);
}
