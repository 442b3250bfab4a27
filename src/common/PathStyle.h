#pragma once
// How the platform writes paths. Every front end says which one it is; nothing assumes one.

namespace tg {

// Windows: "\" separators, "file:///" + path. Posix: "/" separators, "file://" + absolute path.
enum class PathStyle { Windows, Posix };

constexpr char Separator(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

}  // namespace tg
