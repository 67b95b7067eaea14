// The names reports show for documents, books and files: the last component of their path.
#pragma once

#include "support/api_types.h"

// The last component of path as a new string (MemFree), or null when path is no usable path.
char* FileNameOfPath(const char* path);
// The document's file name, or a copy of "Untitled" when it has none. A new string (MemFree).
char* DocumentFileName(ObjectId docId);
// The book's file name, or null. A new string (MemFree).
char* BookFileName(ObjectId bookId);
