#include "tools/host/lib/LinkFollowing.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvanti_host {
namespace {

constexpr int kMaxLinkHops = 40;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The kernel's rule for following a link found in a folder: refused only in a
// sticky folder anyone may write to, when the link belongs neither to the
// one who follows it nor to the folder's owner.
bool mayFollow(const std::string& link, const struct stat& linkInfo, std::string& error) {
    if (linkInfo.st_uid == ::geteuid()) return true;
    const std::string folder = folderOf(link);
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0) return true;   // then the write fails on its own
    const mode_t shared = S_ISVTX | S_IWOTH;
    if ((folderInfo.st_mode & shared) != shared || folderInfo.st_uid == linkInfo.st_uid) return true;
    error = "not following the link " + link + ": it belongs to another user (uid " +
            std::to_string(linkInfo.st_uid) + ") in the shared folder " + folder;
    return false;
}

} // namespace

bool followLinks(const std::string& path, std::string& target, std::string& error) {
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        if (!mayFollow(target, info, error)) return false;
        char link[PATH_MAX];
        const ssize_t length = ::readlink(target.c_str(), link, sizeof link - 1);
        if (length <= 0) {
            error = "cannot follow the link " + path + ": " + std::strerror(errno);
            return false;
        }
        const std::string next(link, static_cast<std::size_t>(length));
        target = next.front() == '/' ? next : folderOf(target) + "/" + next;
    }
    error = "cannot follow the link " + path + ": too many levels of links";
    return false;
}

} // namespace kelvanti_host
