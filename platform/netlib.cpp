#include "platform/netlib.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
    return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The length of a URI scheme at the start of s (before ":"), or 0 when s does not begin with one.
std::size_t SchemeLength(std::string_view s) {
    if (s.empty() || !IsAlpha(s[0]))
        return 0;
    std::size_t n = 1;
    while (n < s.size() && IsSchemeChar(s[n]))
        ++n;
    return n < s.size() && s[n] == ':' ? n : 0;
}

// A URI reference split into its five components; each "has" flag tells an empty component from
// an absent one.
struct UriParts {
    std::string_view scheme, authority, path, query, fragment;
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
};

UriParts SplitUri(std::string_view s) {
    UriParts u;
    if (std::size_t n = SchemeLength(s)) {
        u.hasScheme = true;
        u.scheme = s.substr(0, n);
        s.remove_prefix(n + 1);
    }
    if (std::size_t hash = s.find('#'); hash != std::string_view::npos) {
        u.hasFragment = true;
        u.fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    if (std::size_t question = s.find('?'); question != std::string_view::npos) {
        u.hasQuery = true;
        u.query = s.substr(question + 1);
        s = s.substr(0, question);
    }
    if (s.substr(0, 2) == "//") {
        u.hasAuthority = true;
        s.remove_prefix(2);
        std::size_t slash = s.find('/');
        u.authority = s.substr(0, slash);
        s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
    }
    u.path = s;
    return u;
}

// RFC 3986 section 5.2.4.
std::string RemoveDotSegments(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.substr(0, 3) == "../") {
            in.remove_prefix(3);
        } else if (in.substr(0, 2) == "./") {
            in.remove_prefix(2);
        } else if (in.substr(0, 3) == "/./") {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.substr(0, 4) == "/../" || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            std::size_t last = out.rfind('/');
            out.erase(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            std::size_t n = next == std::string_view::npos ? in.size() : next;
            out.append(in.substr(0, n));
            in.remove_prefix(n);
        }
    }
    return out;
}

// RFC 3986 section 5.2.3.
std::string MergePaths(const UriParts& base, std::string_view relativePath) {
    if (base.hasAuthority && base.path.empty())
        return "/" + std::string(relativePath);
    std::size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(relativePath);
    return std::string(base.path.substr(0, slash + 1)) + std::string(relativePath);
}

std::string Recompose(std::string_view scheme, bool hasAuthority, std::string_view authority,
                      std::string_view path, bool hasQuery, std::string_view query,
                      bool hasFragment, std::string_view fragment) {
    std::string out(scheme);
    out += ':';
    if (hasAuthority) {
        out += "//";
        out += authority;
    }
    out += path;
    if (hasQuery) {
        out += '?';
        out += query;
    }
    if (hasFragment) {
        out += '#';
        out += fragment;
    }
    return out;
}

NetLibRet Resolve(const char* base, const char* relative, char** result);

} // namespace

NetLibRet NetLibIsNetFile(const char* path) {
    if (!path)
        return kNetLibBadArgument;
    std::string_view s(path);
    std::size_t n = SchemeLength(s);
    return n >= 2 && s.substr(n, 3) == "://" ? kNetLibOk : kNetLibNotNetFile;
}

NetLibRet NetLibGetAbsoluteURL(const char* base, const char* relative, char** result) {
    if (!base || !relative || !result)
        return kNetLibBadArgument;
    *result = nullptr;
    try {
        return Resolve(base, relative, result);
    } catch (const std::bad_alloc&) {
        return kNetLibNoMemory;
    }
}

namespace {

NetLibRet Resolve(const char* base, const char* relative, char** result) {
    UriParts b = SplitUri(base);
    if (!b.hasScheme)
        return kNetLibBadArgument;
    UriParts r = SplitUri(relative);

    // RFC 3986 section 5.2.2, strict parser.
    std::string path;
    std::string_view scheme = b.scheme, authority = b.authority, query = b.query;
    bool hasAuthority = b.hasAuthority, hasQuery = b.hasQuery;
    if (r.hasScheme) {
        scheme = r.scheme;
        hasAuthority = r.hasAuthority;
        authority = r.authority;
        path = RemoveDotSegments(r.path);
        hasQuery = r.hasQuery;
        query = r.query;
    } else if (r.hasAuthority) {
        hasAuthority = true;
        authority = r.authority;
        path = RemoveDotSegments(r.path);
        hasQuery = r.hasQuery;
        query = r.query;
    } else if (r.path.empty()) {
        path = std::string(b.path);
        if (r.hasQuery) {
            hasQuery = true;
            query = r.query;
        }
    } else {
        path =
            r.path[0] == '/' ? RemoveDotSegments(r.path) : RemoveDotSegments(MergePaths(b, r.path));
        hasQuery = r.hasQuery;
        query = r.query;
    }
    std::string url = Recompose(scheme, hasAuthority, authority, path, hasQuery, query,
                                r.hasFragment, r.fragment);
    auto* copy = static_cast<char*>(std::malloc(url.size() + 1));
    if (!copy)
        return kNetLibNoMemory;
    std::memcpy(copy, url.c_str(), url.size() + 1);
    *result = copy;
    return kNetLibOk;
}

} // namespace

void NetLibFree(void* block) {
    std::free(block);
}
