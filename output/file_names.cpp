#include "output/file_names.h"

#include "runtime/api.h"
#include "support/path.h"
#include "support/prop_list.h"
#include "support/str.h"

namespace {
// The kind of path FilePathNew resolves: a platform path.
constexpr int kPlatformPathKind = 0;
} // namespace

char* FileNameOfPath(const char* path) {
    FilePath* fp = FilePathNew(path, nullptr, kPlatformPathKind);
    if (!fp)
        return nullptr;
    char* name = FilePathName(fp);
    FilePathFree(fp);
    return name;
}

char* DocumentFileName(ObjectId docId) {
    char* path = ApiGetString(docId, docId, kPropPath);
    char* name = FileNameOfPath(path);
    StrRelease(&path);
    return name ? name : StrDup("Untitled");
}

char* BookFileName(ObjectId bookId) {
    char* path = ApiGetString(0, bookId, kPropPath);
    char* name = FileNameOfPath(path);
    StrRelease(&path);
    return name;
}
