// A stand-in for the host's network-path library: tells URLs from local paths and resolves
// relative references against a base URL. Strings it returns are released with NetLibFree.
#pragma once

enum NetLibRet {
    kNetLibOk = 0,
    // The path is not a URL.
    kNetLibNotNetFile = 1,
    // An argument is missing or the base is not an absolute URL.
    kNetLibBadArgument = 2,
    kNetLibNoMemory = 3,
};

// kNetLibOk when path is a URL: a scheme of at least two characters (a letter, then letters,
// digits, "+", "-" or "."), then "://". One-letter schemes are left to drive letters ("C://x").
NetLibRet NetLibIsNetFile(const char* path);
// Resolves relative against the absolute URL base as RFC 3986 section 5.2 does (merging paths and
// removing dot segments). On success *result holds a new URL for NetLibFree.
NetLibRet NetLibGetAbsoluteURL(const char* base, const char* relative, char** result);
void NetLibFree(void* block);
