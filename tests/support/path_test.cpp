#include "support/path.h"

#include "enc_scope.h"

#include "platform/netlib.h"
#include "support/enc.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using Path = FrameRomanTest;

// The resolved path and the name of a FilePath made from path, or "(null)".
std::pair<std::string, std::string> Resolve(const char* path, const char* base = nullptr) {
    FilePath* baseFp = base ? FilePathAlloc(base) : nullptr;
    FilePath* fp = FilePathNew(path, baseFp, 0);
    FilePathFree(baseFp);
    if (!fp)
        return {"(null)", "(null)"};
    char* name = FilePathName(fp);
    std::pair<std::string, std::string> result = {fp->path, name ? name : "(null)"};
    EXPECT_EQ(fp->tag, kFilePathTag);
    EXPECT_EQ(fp->flags, kFilePathFromNew);
    MemFree(name);
    FilePathFree(fp);
    return result;
}

void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

TEST_F(Path, ResolutionAndNames) {
    struct Case {
        const char* path;
        const char* resolved;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\docs\\.\\book\\..\\a.fm", "C:\\docs\\a.fm", "a.fm"},
        {"C:/docs\\a.fm", "C:/docs/a.fm", "a.fm"},
        {"C:\\\\docs\\\\\\a.fm", "C:\\docs\\a.fm", "a.fm"},
        {"\\\\server\\share\\x.fm", "\\\\server\\share\\x.fm", "x.fm"},
        {"C:\\a\\..\\..\\b", "C:\\b", "b"},
        {"C:\\docs\\", "C:\\docs\\", "docs"},
        {"C:/docs/", "C:/docs/", "docs"},
        {"a.fm", "a.fm", "a.fm"},
        {"C:a.fm", "C:a.fm", "a.fm"},
        {"/home/u/./book/../a.fm", "/home/u/a.fm", "a.fm"},
        {"/a/..", "/", ""},
        {"/a/../b", "/b", "b"},
        {"a/../b", "b", "b"}, // a relative path does not become rooted
        {"..\\x.fm", "x.fm", "x.fm"},
        {"./a//b", "a/b", "b"},
        {"", "(null)", "(null)"},
        {"a/..", "(null)", "(null)"},
    };
    for (const Case& c : cases) {
        auto [resolved, name] = Resolve(c.path);
        EXPECT_EQ(resolved, c.resolved) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
    }
    EXPECT_EQ(FilePathNew(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(FilePathNew("a.fm", nullptr, 1), nullptr);
    EXPECT_EQ(FilePathNew(std::string(kPathBufferSize, 'a').c_str(), nullptr, 0), nullptr);
    EXPECT_EQ(FilePathName(nullptr), nullptr);
}

TEST_F(Path, RelativePathsJoinTheBase) {
    EXPECT_EQ(Resolve("a.fm", "C:\\docs").first, "C:\\docs\\a.fm");
    EXPECT_EQ(Resolve("..\\a.fm", "C:\\docs\\book").first, "C:\\docs\\a.fm");
    EXPECT_EQ(Resolve("sub/a.fm", "/home/u").first, "/home/u/sub/a.fm");
    EXPECT_EQ(Resolve("D:\\x.fm", "C:\\docs").first, "D:\\x.fm");
    EXPECT_EQ(Resolve("sub\\a%20b.fm", "http://host/dir").first, "http://host/dir/sub/a%20b.fm");
    EXPECT_EQ(Resolve("../a.fm", "http://host/dir/sub").first, "http://host/dir/a.fm");
    std::string longBase(kPathBufferSize - 4, 'b');
    EXPECT_EQ(Resolve("abcdef", longBase.c_str()).first, "(null)"); // refused, not cut

    // Exactly what fits is accepted: 4095 bytes in all, the separator counted only when the
    // join adds one.
    struct Fit {
        std::size_t baseLength;
        const char* baseEnd;
        std::size_t pathLength;
        bool fits;
    };
    const Fit fits[] = {
        {0, "", kPathBufferSize - 1, true},    {0, "", kPathBufferSize, false},
        {10, "/", kPathBufferSize - 11, true}, {10, "/", kPathBufferSize - 10, false},
        {10, "b", kPathBufferSize - 12, true}, {10, "b", kPathBufferSize - 11, false},
    };
    for (const Fit& f : fits) {
        std::string base = f.baseLength ? "/" + std::string(f.baseLength - 2, 'b') + f.baseEnd : "";
        std::string path(f.pathLength, 'p');
        std::string resolved = Resolve(path.c_str(), base.c_str()).first;
        EXPECT_EQ(resolved != "(null)", f.fits) << f.baseLength << " + " << f.pathLength;
        if (f.fits) {
            EXPECT_EQ(resolved.size(), kPathBufferSize - 1);
        }
    }
}

TEST_F(Path, EnvironmentVariablesAndHome) {
    SetVariable("LX_PATH_TEST", "C:\\tmp");
    SetVariable("LX_PATH_UNSET", nullptr);
    struct Case {
        const char* path;
        const char* expanded;
    };
    const Case cases[] = {
        {"$LX_PATH_TEST\\x", "C:\\tmp\\x"},
        {"$LX_PATH_TEST/x", "C:\\tmp/x"},
        {"$LX_PATH_UNSET\\x", "$LX_PATH_UNSET\\x"},
        {"a$.b", "a$.b"},
        {"$", "$"},
        {"~", "~"},
        {"~\\x", "~\\x"},
        {"~user\\x", "user\\x"},
        {"a~b", "a~b"},
    };
    for (const Case& c : cases) {
        char buffer[kPathBufferSize];
        std::snprintf(buffer, sizeof buffer, "%s", c.path);
        PathExpandEnv(buffer);
        EXPECT_STREQ(buffer, c.expanded) << c.path;
    }
    const char* savedHome = PathHomeDirectory;
    PathHomeDirectory = "/home/u";
    char buffer[kPathBufferSize] = "~/x";
    PathExpandEnv(buffer);
    EXPECT_STREQ(buffer, "/home/u/x");
    PathHomeDirectory = savedHome;

    // An expansion that overflows the buffer is refused, not cut to another file's name; one
    // that just fits is kept whole.
    std::string big(3000, 'v');
    SetVariable("LX_PATH_BIG", big.c_str());
    char twice[kPathBufferSize] = "$LX_PATH_BIG/$LX_PATH_BIG";
    PathExpandEnv(twice);
    EXPECT_STREQ(twice, "");
    EXPECT_EQ(Resolve("$LX_PATH_BIG/$LX_PATH_BIG/report.fm").first, "(null)");
    std::string exact(kPathBufferSize - 1 - 2, 'w');
    SetVariable("LX_PATH_BIG", exact.c_str());
    char fits[kPathBufferSize] = "$LX_PATH_BIG/x";
    PathExpandEnv(fits);
    EXPECT_EQ(std::string(fits), exact + "/x");
    EXPECT_EQ(Resolve("$LX_PATH_TEST\\x.fm").first, "C:\\tmp\\x.fm");
    // A variable that holds a URL makes the path a URL, which stays as it is (found by the path
    // routines' fuzz target: it was normalised as a local path, "http://" losing a slash).
    SetVariable("LX_PATH_URL", "http://host/dir");
    EXPECT_EQ(Resolve("$LX_PATH_URL/a%20b.fm", "/base").first, "http://host/dir/a%20b.fm");
    EXPECT_EQ(Resolve("~tp://host/x", "/base").first, "tp://host/x");
    SetVariable("LX_PATH_TEST", nullptr);
    SetVariable("LX_PATH_BIG", nullptr);
    SetVariable("LX_PATH_URL", nullptr);
}

TEST_F(Path, SeparatorsAndShiftJisSecondBytes) {
    // 0x95 0x5C is one Shift-JIS character whose second byte is the backslash value.
    const char* path = "C:\\\x95\x5C\\a\x95\x5C.fm";
    EXPECT_STREQ(PathBaseName("C:/docs/a.fm"), "a.fm");
    EXPECT_STREQ(PathBaseName("C:a.fm"), "a.fm");
    EXPECT_STREQ(PathBaseName("plain"), "plain");
    EXPECT_EQ(PathBaseName(nullptr), nullptr);
    EXPECT_STREQ(PathBaseName(path), ".fm"); // byte-wise, the pair's 0x5C separates
    EncSetCurrent("JISX0208.ShiftJIS");
    EXPECT_STREQ(PathBaseName(path), "a\x95\x5C.fm");
    auto [resolved, name] = Resolve(path);
    EXPECT_EQ(resolved, path);
    EXPECT_EQ(name, "a\x95\x5C.fm");
    EXPECT_EQ(Resolve("C:\\\x95\x5C").second, "\x95\x5C");

    char joined[16] = "C:\\\x95";
    joined[4] = '\x5C';
    joined[5] = '\0';
    PathAppend(joined, "x", sizeof joined); // the pair does not end in a separator
    EXPECT_STREQ(joined, "C:\\\x95\x5C\\x");
    // With UTF-8 in force a lead byte whose continuation bytes are missing does not swallow the
    // separator after it.
    EncSetCurrent("UTF-8");
    EXPECT_STREQ(PathBaseName("dir\xE9/file.mif"), "file.mif");
    EXPECT_EQ(Resolve("/d/dir\xE9/file.mif").second, "file.mif");
    EXPECT_EQ(Resolve("/d/caf\xC3\xA9/file.mif").second, "file.mif");
}

TEST_F(Path, AppendSplitAndDropLast) {
    char a[kPathBufferSize] = "C:";
    EXPECT_EQ(PathAppend(a, "x", sizeof a), 4u);
    EXPECT_STREQ(a, "C:\\x");
    char b[kPathBufferSize] = "C:\\";
    PathAppend(b, "x", sizeof b);
    EXPECT_STREQ(b, "C:\\x");
    char c[8] = "";
    EXPECT_EQ(PathAppend(c, "abcdefghij", sizeof c), 7u);

    struct Case {
        const char* path;
        const char* directory;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\docs\\a.fm", "C:\\docs", "a.fm"},
        {"C:\\a.fm", "C:\\", "a.fm"},
        {"\\a.fm", "\\", "a.fm"},
        {"a.fm", "", "a.fm"},
        {"C:a.fm", "C:", "a.fm"},
        {"/home/u/a.fm", "/home/u", "a.fm"},
        {"http://host/dir/my%20file.fm", "http:\\\\host\\dir", "my file.fm"},
        {"http://host/a%00b%G1%2F", "http:\\\\host", "a%00b%G1/"},
    };
    for (const Case& s : cases) {
        char directory[kPathBufferSize];
        char name[kPathNameLimit];
        PathSplit(s.path, directory, name);
        EXPECT_STREQ(directory, s.directory) << s.path;
        EXPECT_STREQ(name, s.name) << s.path;
    }
    std::string longName(2000, 'n');
    char name[kPathNameLimit];
    PathSplit(longName.c_str(), nullptr, name);
    EXPECT_EQ(std::string(name).size(), kPathNameLimit - 1);

    char d[] = "C:\\docs\\x";
    EXPECT_EQ(PathDropLast(d, d + 7), d + 2);
    EXPECT_STREQ(d, "C:");
    char e[] = "C:";
    EXPECT_EQ(PathDropLast(e, e + 2), e + 2);
}

TEST_F(Path, UrlsAndDecoding) {
    EXPECT_EQ(Resolve("http://host/dir/my%20file.fm").first, "http://host/dir/my%20file.fm");
    EXPECT_EQ(Resolve("http://host/dir/my%20file.fm").second, "my file.fm");
    EXPECT_EQ(PathIsLocal("C:\\docs"), 1);
    EXPECT_EQ(PathIsLocal("C://docs"), 1); // a drive letter is no scheme
    EXPECT_EQ(PathIsLocal("https://x"), 0);
    EXPECT_EQ(PathIsLocal(nullptr), 1);
    EXPECT_EQ(PathIsDctmUrl("dctm://repo/x"), 1);
    EXPECT_EQ(PathIsDctmUrl(""), 0);
    EXPECT_EQ(Resolve("dctm://repo/a.fm").first, "dctm://repo/a.fm");

    char* out = reinterpret_cast<char*>(1);
    EXPECT_EQ(UrlResolve("C:\\local", "x", &out), 1);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(UrlResolve(nullptr, "x", &out), 1);
    EXPECT_EQ(UrlResolve("http://h/a/b", nullptr, &out), 1);
    ASSERT_EQ(UrlResolve("http://h/a/b", "../c", &out), 0);
    EXPECT_STREQ(out, "http://h/c");
    MemFree(out);

    char s[] = "a%41%4a%4A/%2f%00%G1%4";
    UrlPathDecode(s);
    EXPECT_STREQ(s, "aAJJ\\/%00%G1%4");
    EXPECT_EQ(HexByte('f', 'F'), 0xFF);
    EXPECT_EQ(HexByte('g', '0'), 0);
}

// The reference resolution examples of RFC 3986, section 5.4.
TEST(NetLib, ResolvesReferencesAsRfc3986) {
    const char* base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
        {"http:g", "http:g"},
    };
    for (auto [reference, expected] : cases) {
        char* url = nullptr;
        ASSERT_EQ(NetLibGetAbsoluteURL(base, reference, &url), kNetLibOk) << reference;
        EXPECT_STREQ(url, expected) << reference;
        NetLibFree(url);
    }
    char* url = nullptr;
    EXPECT_NE(NetLibGetAbsoluteURL("relative/base", "g", &url), kNetLibOk);
    EXPECT_EQ(url, nullptr);
    EXPECT_EQ(NetLibIsNetFile("svn+ssh://h/x"), kNetLibOk);
    EXPECT_NE(NetLibIsNetFile("1http://h"), kNetLibOk);
    EXPECT_NE(NetLibIsNetFile("http:/h"), kNetLibOk);
}

} // namespace
