#include "html/site_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "html/html_text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

bool (*folder_exchange)(const char*, const char*) = platform::exchange_paths;

SiteOutcome failure(const std::string& what, int err) {
    return {SiteResult::failed, what + ": " + platform::error_text(err)};
}


bool write_whole(const std::string& path, const SiteFile& file) {
    FILE* f = platform::open_file(path.c_str(), file.crlf ? "wt" : "wb");
    if (!f) return false;
    const bool written = std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) == file.bytes.size() &&
                         platform::flush_file(f);
    const int err = errno;
    if (std::fclose(f) != 0 || !written) {
        errno = written ? errno : err;
        return false;
    }
    return true;
}

// The names of the plain files in folder, hidden ones (temporary pages) left out.
std::vector<std::string> visible_files(const char* folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(platform::disk_name(folder).c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const std::string path = std::string(folder) + "/" + e->d_name;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(e->d_name);
    }
    ::closedir(dir);
    return names;
}

// A file the site does not write goes on in the new folder: a second link where the
// file system has them, else a copy.
bool carry_over(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) return true;
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    SiteFile copy{"", "", false};
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) copy.bytes.append(buf, n);
    std::fclose(in);
    return write_whole(to, copy);
}

}  // namespace

void set_folder_exchange(bool (*exchange)(const char* a, const char* b)) {
    folder_exchange = exchange ? exchange : platform::exchange_paths;
}

SiteOutcome replace_site(const char* folder, const std::vector<SiteFile>& files) {
    struct stat st;
    const bool exists = ::stat(platform::disk_name(folder).c_str(), &st) == 0;
    if (exists && !S_ISDIR(st.st_mode)) return {SiteResult::not_a_folder, formatted("\"%s\" はフォルダではありません", folder)};

    const std::string staging = formatted(".%s.staging.%ld", folder, static_cast<long>(::getpid()));
    // Left by this process id before (a crash, a reused id): never anyone else's.
    platform::remove_tree(staging.c_str());
    if (!platform::make_folder(staging.c_str())) return failure(formatted("mkdir(\"%s\")", staging.c_str()), errno);

    std::set<std::string> written;
    for (const SiteFile& file : files) {
        if (!write_whole(staging + "/" + file.name, file)) {
            const int err = errno;
            platform::remove_tree(staging.c_str());
            return failure(formatted("\"%s/%s\"", folder, file.name.c_str()), err);
        }
        written.insert(file.name);
    }
    if (exists) {
        for (const std::string& name : visible_files(folder)) {
            if (written.count(name)) continue;
            if (!carry_over(std::string(folder) + "/" + name, staging + "/" + name)) {
                const int err = errno;
                platform::remove_tree(staging.c_str());
                return failure(formatted("\"%s/%s\"", folder, name.c_str()), err);
            }
        }
    }
    // Everything reaches the disk before the swap: one sync of the file system, or
    // where that cannot be done, each file alone.
    bool synced = false;
    if (!files.empty()) {
        FILE* f = platform::open_file((staging + "/" + files.front().name).c_str(), "rb");
        if (f) {
            synced = platform::sync_file_system(f);
            std::fclose(f);
        }
    }
    if (!synced) {
        for (const SiteFile& file : files) {
            FILE* f = platform::open_file((staging + "/" + file.name).c_str(), "r+b");
            const bool ok = f && platform::sync_file(f);
            const int err = errno;
            if (f) std::fclose(f);
            if (!ok) {
                platform::remove_tree(staging.c_str());
                return failure(formatted("\"%s/%s\"", folder, file.name.c_str()), err);
            }
        }
    }
    platform::sync_folder_of((staging + "/.").c_str());

    SiteOutcome outcome;
    if (!exists) {
        if (!platform::rename_file(staging.c_str(), folder)) {
            const int err = errno;
            platform::remove_tree(staging.c_str());
            return failure(formatted("rename(\"%s\")", folder), err);
        }
    } else if (folder_exchange(staging.c_str(), folder)) {
        // staging now names the old site.
    } else if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        // No swap on this file system: each page replaced whole, one at a time, as
        // the pages always were before the sites were swapped.
        outcome = {SiteResult::renamed_each, formatted("\"%s\": フォルダの入れ替えができないファイルシステムのため、ページごとに置き換えました", folder)};
        for (const SiteFile& file : files) {
            const std::string from = staging + "/" + file.name;
            const std::string to = std::string(folder) + "/" + file.name;
            if (!platform::rename_file(from.c_str(), to.c_str())) {
                const int err = errno;
                platform::remove_tree(staging.c_str());
                return failure(formatted("rename(\"%s\")", to.c_str()), err);
            }
        }
    } else {
        const int err = errno;
        platform::remove_tree(staging.c_str());
        return failure(formatted("renameat2(\"%s\")", folder), err);
    }
    platform::sync_folder_of(folder);
    platform::remove_tree(staging.c_str());
    return outcome;
}

}  // namespace korvel
