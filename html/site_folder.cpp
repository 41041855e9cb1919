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
    // The line ends are made here and the file written in one piece: a text stream
    // converts a few bytes at a time, too slow for megabytes of feeds.
    std::string crlf;
    if (file.crlf) {
        crlf.reserve(file.bytes.size() + file.bytes.size() / 16);
        for (char c : file.bytes) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
    }
    const std::string& bytes = file.crlf ? crlf : file.bytes;
    FILE* f = platform::open_file(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && platform::flush_file(f);
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

namespace {

struct Staged {
    const Site* site;
    std::string staging;
    bool exists;
    SiteOutcome outcome;
};

std::string staging_name(const char* folder);

// Writes the site into its staging folder; false (outcome set, nothing left) on failure.
bool stage(Staged& s) {
    const char* folder = s.site->folder;
    struct stat st;
    s.exists = ::stat(platform::disk_name(folder).c_str(), &st) == 0;
    if (s.exists && !S_ISDIR(st.st_mode)) {
        s.outcome = {SiteResult::not_a_folder, formatted("\"%s\" はフォルダではありません", folder)};
        return false;
    }
    s.staging = staging_name(folder);
    // The old site of this process's last publication, or left by this process id
    // before (a crash, a reused id): never anyone else's.
    platform::remove_tree(s.staging.c_str());
    if (!platform::make_folder(s.staging.c_str())) {
        const int err = errno;
        s.outcome = failure(formatted("mkdir(\"%s\")", s.staging.c_str()), err);
        return false;
    }
    std::set<std::string> written;
    for (const SiteFile& file : s.site->files) {
        if (!write_whole(s.staging + "/" + file.name, file)) {
            const int err = errno;
            s.outcome = failure(formatted("\"%s/%s\"", folder, file.name.c_str()), err);
            platform::remove_tree(s.staging.c_str());
            return false;
        }
        written.insert(file.name);
    }
    if (!s.exists) return true;
    for (const std::string& name : visible_files(folder)) {
        if (written.count(name)) continue;
        if (!carry_over(std::string(folder) + "/" + name, s.staging + "/" + name)) {
            const int err = errno;
            s.outcome = failure(formatted("\"%s/%s\"", folder, name.c_str()), err);
            platform::remove_tree(s.staging.c_str());
            return false;
        }
    }
    return true;
}

// Each file of the staged site to the disk, where the file system as a whole cannot be.
bool sync_each(Staged& s) {
    for (const SiteFile& file : s.site->files) {
        FILE* f = platform::open_file((s.staging + "/" + file.name).c_str(), "r+b");
        const bool ok = f && platform::sync_file(f);
        const int err = errno;
        if (f) std::fclose(f);
        if (!ok) {
            s.outcome = failure(formatted("\"%s/%s\"", s.site->folder, file.name.c_str()), err);
            platform::remove_tree(s.staging.c_str());
            return false;
        }
    }
    platform::sync_folder_of((s.staging + "/.").c_str());
    return true;
}

// The staged site in place of the old one.
void swap_in(Staged& s) {
    const char* folder = s.site->folder;
    if (!s.exists) {
        if (!platform::rename_file(s.staging.c_str(), folder)) {
            const int err = errno;
            s.outcome = failure(formatted("rename(\"%s\")", folder), err);
        }
    } else if (folder_exchange(s.staging.c_str(), folder)) {
        // The staging name now holds the old site.
    } else if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        // No swap on this file system: each page replaced whole, one at a time, as
        // the pages always were before the sites were swapped.
        s.outcome = {SiteResult::renamed_each,
                     formatted("\"%s\": フォルダの入れ替えができないファイルシステムのため、ページごとに置き換えました", folder)};
        for (const SiteFile& file : s.site->files) {
            const std::string to = std::string(folder) + "/" + file.name;
            if (!platform::rename_file((s.staging + "/" + file.name).c_str(), to.c_str())) {
                const int err = errno;
                s.outcome = failure(formatted("rename(\"%s\")", to.c_str()), err);
                break;
            }
        }
    } else {
        const int err = errno;
        s.outcome = failure(formatted("renameat2(\"%s\")", folder), err);
    }
    // After a swap the staging name holds the old site, removed by remove_old_site.
    if (!s.outcome.ok() || s.outcome.result == SiteResult::renamed_each) platform::remove_tree(s.staging.c_str());
}

std::string staging_name(const char* folder) { return formatted(".%s.staging.%ld", folder, static_cast<long>(::getpid())); }

}  // namespace

std::vector<SiteOutcome> replace_sites(const std::vector<Site>& sites) {
    std::vector<Staged> staged;
    for (const Site& site : sites) staged.push_back({&site, "", false, {}});
    bool any = false;
    for (Staged& s : staged) any = stage(s) || any;
    // Everything reaches the disk before the swaps: one sync of the file system for
    // all sites, or where that cannot be done, each file alone.
    bool synced = false;
    for (Staged& s : staged) {
        if (!s.outcome.ok() || s.site->files.empty()) continue;
        FILE* f = platform::open_file((s.staging + "/" + s.site->files.front().name).c_str(), "rb");
        if (f) {
            synced = platform::sync_file_system(f);
            std::fclose(f);
        }
        break;
    }
    for (Staged& s : staged) {
        if (!s.outcome.ok()) continue;
        if (!synced && !sync_each(s)) continue;
        swap_in(s);
    }
    if (any) platform::sync_folder_of(sites.front().folder);
    std::vector<SiteOutcome> outcomes;
    for (Staged& s : staged) outcomes.push_back(std::move(s.outcome));
    return outcomes;
}

void remove_old_site(const char* folder) { platform::remove_tree(staging_name(folder).c_str()); }

SiteOutcome replace_site(const char* folder, const std::vector<SiteFile>& files) {
    SiteOutcome outcome = replace_sites({Site{folder, files}}).front();
    remove_old_site(folder);
    return outcome;
}

}  // namespace korvel
