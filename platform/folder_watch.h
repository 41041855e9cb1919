// Changes of files in the working folder, for a screen that sleeps until something
// happens: an inotify descriptor to wait on (with the keyboard) and the names of the
// files that changed.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace platform {

class FolderWatch {
public:
    // Watches the current folder for files written, created, removed, renamed or
    // touched, of the given names only.
    explicit FolderWatch(std::initializer_list<const char*> names);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The descriptor that becomes readable on a change; -1 when the system cannot
    // watch the folder (the caller then looks at the files' stamps itself).
    int fd() const { return fd_; }
    // Reads every waiting notice; true when one of the files changed (or notices
    // were lost).
    bool take_changes();

private:
    int fd_ = -1;
    std::vector<std::string> names_;
};

}  // namespace platform
