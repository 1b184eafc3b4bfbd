// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include <knownfolders.h>
#include <shlobj.h>

#include "win32_text.h"

namespace talvenor::win32 {

std::string Win32Platform::AppPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.resize(slash);
    return Narrow(path);
}

bool Win32Platform::FileExists(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(Widen(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32Platform::ReadStart(const std::string& name, std::size_t count) {
    const HANDLE opened = CreateFileW(Widen(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    const KernelHandle file(opened);
    std::string bytes(count, '\0');
    std::size_t done = 0;
    DWORD got = 0;
    while (done < count && ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(count - done), &got, nullptr) &&
           got > 0) {
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

std::string Win32Platform::FullPath(const std::string& name) {
    const std::wstring relative = Widen(name);
    // Asked with no room, it gives the room needed, its end included.
    DWORD length = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(relative.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return name;
    full.resize(length);
    // Windows names one file in any letter case.
    CharUpperBuffW(full.data(), length);
    return Narrow(full);
}

std::string Win32Platform::PathSeparators() { return "\\/"; }

FileState Win32Platform::CheckFile(const std::string& path) {
    const std::wstring name = Widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_ACCESS_DENIED ? FileState::Unreadable : FileState::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileState::NotAFile;
    const HANDLE opened = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return FileState::Unreadable;
    const KernelHandle file(opened);
    // Devices such as "CON" open too, but are no files.
    return GetFileType(file.get()) == FILE_TYPE_DISK ? FileState::ReadableFile : FileState::NotAFile;
}

bool Win32Platform::SetCurrentFolder(const std::string& folder) {
    return SetCurrentDirectoryW(Widen(folder).c_str()) != FALSE;
}

bool Win32Platform::CanWriteIn(const std::string& folder) {
    // Only writing tells: a write-protected card, a CD-ROM, a share or a folder's rights each
    // refuse it in their own way. The trial file goes with its handle.
    std::wstring trial = Widen(folder);
    if (!trial.empty() && trial.back() != L'\\' && trial.back() != L'/') trial += L'\\';
    trial += L"talvenor-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE opened = CreateFileW(trial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
        CloseHandle(opened);
        return true;
    }
    // Someone else's file by that name: the folder takes files all the same.
    return GetLastError() == ERROR_FILE_EXISTS;
}

std::string Win32Platform::VideosFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Videos, KF_FLAG_CREATE, nullptr, &path))) folder = Narrow(path);
    CoTaskMemFree(path);
    return folder;
}

}  // namespace talvenor::win32
