// The platform's own file-name separator, for paths built from the host's installation directory.
#pragma once

#if defined(_WIN32)
constexpr char kPlatformPathSeparator = '\\';
constexpr const char* kPlatformPathSeparatorText = "\\";
#else
constexpr char kPlatformPathSeparator = '/';
constexpr const char* kPlatformPathSeparatorText = "/";
#endif
