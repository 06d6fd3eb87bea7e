#include "device_link.h"

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace trelon {

namespace {

std::string LinkTarget(const std::filesystem::path& link) {
    std::error_code error;
    auto target = std::filesystem::read_symlink(link, error);
    return error ? std::string() : target.string();
}

void ClearStaleLink(const std::filesystem::path& link) {
    struct stat info {};
    if (::lstat(link.c_str(), &info) != 0) return;
    if (!S_ISLNK(info.st_mode))
        throw std::runtime_error(link.string() + " exists and is not a symbolic link");
    if (::stat(link.c_str(), &info) == 0)
        throw std::runtime_error(link.string() + " is in use: it points at " + LinkTarget(link));
    ::unlink(link.c_str());
}

}  // namespace

void PlaceDeviceLink(const std::filesystem::path& link, const std::string& device) {
    ClearStaleLink(link);
    if (::symlink(device.c_str(), link.c_str()) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot create " + link.string());
}

void RemoveDeviceLink(const std::filesystem::path& link, const std::string& device) {
    if (LinkTarget(link) == device) ::unlink(link.c_str());
}

}  // namespace trelon
