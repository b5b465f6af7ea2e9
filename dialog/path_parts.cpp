#include "path_parts.h"

namespace {

bool HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':';
}

} // namespace

PathParts SplitPath(std::string_view path, PathStyle style) {
    PathParts parts;
    if (style == PathStyle::Windows && HasDriveLetter(path)) {
        parts.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }
    const std::string_view separators = style == PathStyle::Windows ? "\\/" : "/";
    const auto nameStart = path.find_last_of(separators) + 1; // npos + 1 is 0
    parts.directory = path.substr(0, nameStart);
    const std::string_view name = path.substr(nameStart);
    const auto dot = name.rfind('.');
    parts.baseName = name.substr(0, dot);
    if (dot != std::string_view::npos) {
        parts.extension = name.substr(dot);
    }
    return parts;
}
