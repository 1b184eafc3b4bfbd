// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "linux_platform.h"

namespace talvenor::linux_backend {

std::string LinuxPlatform::AppPath() { return QCoreApplication::applicationDirPath().toStdString(); }

bool LinuxPlatform::FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(name), error);
}

std::string LinuxPlatform::ReadStart(const std::string& name, std::size_t count) {
    // A pipe put there since the choice would block the window until someone writes to it.
    const int file = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) return {};
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = read(file, bytes.data() + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    close(file);
    bytes.resize(done);
    return bytes;
}

FileState LinuxPlatform::CheckFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno == EACCES ? FileState::Unreadable : FileState::Missing;
    if (!S_ISREG(info.st_mode)) return FileState::NotAFile;
    return access(path.c_str(), R_OK) == 0 ? FileState::ReadableFile : FileState::Unreadable;
}

bool LinuxPlatform::SetCurrentFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

bool LinuxPlatform::CanWriteIn(const std::string& folder) {
    // Read-only media answer EROFS, whoever asks, root included.
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string LinuxPlatform::VideosFolder() {
    // XDG_VIDEOS_DIR as the session or the desktop's user-dirs.dirs set it (« Vidéos » on a French
    // desktop), else ~/Videos.
    const char* set = std::getenv("XDG_VIDEOS_DIR");
    const std::string folder = set != nullptr && set[0] == '/'
                                   ? std::string(set)
                                   : QStandardPaths::writableLocation(QStandardPaths::MoviesLocation).toStdString();
    if (folder.empty() || folder.front() != '/') return {};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

std::string LinuxPlatform::FullPath(const std::string& name) {
    std::error_code error;
    // Made absolute first: a relative name that does not exist yet would stay relative.
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(name), error);
    if (error) return name;
    const std::filesystem::path path = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : path.string();
}

}  // namespace talvenor::linux_backend
