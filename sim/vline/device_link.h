// The stable path of a line end: a symbolic link to the pseudo-terminal behind it.
#pragma once

#include <filesystem>
#include <string>

namespace trelon {

// Makes `link` point at `device`. A stale link (its device gone) is replaced; a link to a
// device that exists belongs to another line and, like anything that is not a link, is
// left alone: std::runtime_error.
void PlaceDeviceLink(const std::filesystem::path& link, const std::string& device);

// Removes `link` when it still points at `device`.
void RemoveDeviceLink(const std::filesystem::path& link, const std::string& device);

}  // namespace trelon
