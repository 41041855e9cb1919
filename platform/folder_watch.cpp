#include "platform/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FolderWatch::FolderWatch(std::initializer_list<const char*> names) : names_(names.begin(), names.end()) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    const uint32_t events = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB;
    if (inotify_add_watch(fd_, ".", events) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool FolderWatch::take_changes() {
    if (fd_ < 0) return false;
    bool changed = false;
    alignas(inotify_event) char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* p = buf; p < buf + n;) {
            auto* e = reinterpret_cast<inotify_event*>(p);
            if (e->mask & IN_Q_OVERFLOW) changed = true;
            if (e->len > 0) {
                for (const std::string& name : names_)
                    if (name == e->name) changed = true;
            }
            p += sizeof(inotify_event) + e->len;
        }
    }
    return changed;
}

}  // namespace platform
