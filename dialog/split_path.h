// Splitting a path into its folder and its base name, the way the file dialogs' suggestions
// need it.
#pragma once

#include <string>
#include <string_view>

enum class PathStyle {
    Windows, // drive letter, "\" and "/" both separate folders
    Posix,   // no drives, only "/" separates folders
};

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

struct PathPieces {
    std::string folder;   // the drive ("E:") and the directory, with its trailing separator
    std::string baseName; // the file name up to its last dot
};

PathPieces SplitPath(std::string_view path, PathStyle style = kNativePathStyle);
