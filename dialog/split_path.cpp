#include "split_path.h"

namespace {

bool HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':';
}

} // namespace

PathPieces SplitPath(std::string_view path, PathStyle style) {
    PathPieces pieces;
    if (style == PathStyle::Windows && HasDriveLetter(path)) {
        pieces.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }
    const std::string_view separators = style == PathStyle::Windows ? "\\/" : "/";
    const auto nameStart = path.find_last_of(separators) + 1; // npos + 1 is 0
    pieces.directory = path.substr(0, nameStart);
    const std::string_view name = path.substr(nameStart);
    const auto dot = name.rfind('.');
    pieces.baseName = name.substr(0, dot);
    if (dot != std::string_view::npos) {
        pieces.extension = name.substr(dot);
    }
    return pieces;
}
