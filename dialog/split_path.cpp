#include "split_path.h"

#include <algorithm>

PathPieces SplitPath(std::string_view path, PathStyle style) {
    const bool windows = style == PathStyle::Windows;
    // A drive ("C:") belongs to the folder, also when no separator follows it.
    const std::size_t driveEnd = windows && path.size() >= 2 && path[1] == ':' ? 2 : 0;
    // Without a separator, npos + 1 is 0: the name starts behind the drive.
    const std::size_t nameStart = std::max(driveEnd, path.find_last_of(windows ? "\\/" : "/") + 1);
    const std::string_view name = path.substr(nameStart);
    return {.folder = std::string(path.substr(0, nameStart)),
            .baseName = std::string(name.substr(0, name.rfind('.')))};
}
