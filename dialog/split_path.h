// Splitting a path into drive, folder, base name and extension, the way the file dialogs'
// suggestions need it.
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
    std::string drive;     // "E:" or empty
    std::string directory; // keeps its trailing separator
    std::string baseName;  // without extension
    std::string extension; // from the last dot of the file name on, dot included

    std::string Folder() const { return drive + directory; }
};

PathPieces SplitPath(std::string_view path, PathStyle style = kNativePathStyle);
