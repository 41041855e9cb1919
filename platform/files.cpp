#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/console.h"
#include "platform/cp932.h"

namespace platform {

namespace {

// A text stream is a cookie stream over the real file. It is unbuffered itself, so
// that ftell and fseek on it are exact byte offsets of the file: the real file's own
// buffer does the buffering.
struct TextFile {
    FILE* raw;
    enum { idle, reading, writing } last = idle;
};

std::unordered_map<FILE*, TextFile*>& text_files() {
    static std::unordered_map<FILE*, TextFile*> files;
    return files;
}

ssize_t text_read(void* cookie, char* buf, size_t size) {
    auto* t = static_cast<TextFile*>(cookie);
    if (t->last == TextFile::writing && fflush(t->raw) != 0) return -1;
    t->last = TextFile::reading;
    size_t n = 0;
    while (n < size) {
        int c = getc_unlocked(t->raw);
        if (c == EOF) break;
        if (c == '\r') {
            int next = getc_unlocked(t->raw);
            if (next == '\n') c = '\n';
            else if (next != EOF) ungetc(next, t->raw);
        }
        buf[n++] = static_cast<char>(c);
    }
    if (n == 0 && ferror(t->raw)) return -1;
    return static_cast<ssize_t>(n);
}

ssize_t text_write(void* cookie, const char* buf, size_t size) {
    auto* t = static_cast<TextFile*>(cookie);
    // Switching from reading to writing needs a seek on the real stream.
    if (t->last == TextFile::reading && fseeko(t->raw, 0, SEEK_CUR) != 0) return 0;
    t->last = TextFile::writing;
    const char* p = buf;
    const char* end = buf + size;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        if (stop > p && fwrite(p, 1, static_cast<size_t>(stop - p), t->raw) != static_cast<size_t>(stop - p)) return 0;
        if (!nl) break;
        if (fwrite("\r\n", 1, 2, t->raw) != 2) return 0;
        p = nl + 1;
    }
    return static_cast<ssize_t>(size);
}

int text_seek(void* cookie, off64_t* offset, int whence) {
    auto* t = static_cast<TextFile*>(cookie);
    if (fseeko(t->raw, *offset, whence) != 0) return -1;
    t->last = TextFile::idle;
    off_t now = ftello(t->raw);
    if (now < 0) return -1;
    *offset = now;
    return 0;
}

int text_close(void* cookie) {
    auto* t = static_cast<TextFile*>(cookie);
    auto& files = text_files();
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it->second == t) {
            files.erase(it);
            break;
        }
    }
    int result = fclose(t->raw);
    delete t;
    return result == 0 ? 0 : -1;
}

}  // namespace

namespace {
bool valid_utf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 0 : (c >= 0xC2 && c <= 0xDF) ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : 9;
        if (n == 9 || i + n >= s.size() + (n == 0)) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n + 1;
    }
    return true;
}
}  // namespace

std::string disk_name(std::string_view name) {
    if (valid_utf8(name)) return std::string(name);
    return cp932_to_utf8(name);
}

bool remove_file(const char* name) { return std::remove(disk_name(name).c_str()) == 0; }

bool rename_file(const char* from, const char* to) {
    return std::rename(disk_name(from).c_str(), disk_name(to).c_str()) == 0;
}

bool make_folder(const char* name) { return ::mkdir(disk_name(name).c_str(), 0777) == 0; }

std::string file_state(const char* path) {
    struct stat st;
    if (::stat(disk_name(path).c_str(), &st) != 0) return {};
    char buf[128];
    std::snprintf(buf, sizeof buf, "%lu:%lu:%lld:%lld.%09ld", static_cast<unsigned long>(st.st_dev),
                  static_cast<unsigned long>(st.st_ino), static_cast<long long>(st.st_size),
                  static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec);
    return buf;
}

bool exchange_paths(const char* a, const char* b) {
#if defined(SYS_renameat2)
    // Called through syscall(): older C libraries have no renameat2 wrapper.
    constexpr unsigned EXCHANGE = 1U << 1;  // RENAME_EXCHANGE
    return ::syscall(SYS_renameat2, AT_FDCWD, disk_name(a).c_str(), AT_FDCWD, disk_name(b).c_str(), EXCHANGE) == 0;
#else
    (void)a;
    (void)b;
    errno = ENOSYS;
    return false;
#endif
}

bool remove_tree(const char* path) {
    std::error_code ec;
    std::filesystem::remove_all(disk_name(path), ec);
    if (ec) errno = ec.value();
    return !ec;
}

FILE* open_file(const char* given_name, const char* mode) {
    const std::string disk = disk_name(given_name);
    const char* name = disk.c_str();
    std::string clean;
    bool binary = false;
    for (const char* m = mode; *m; ++m) {
        if (*m == 't') continue;
        if (*m == 'b') binary = true;
        clean += *m;
    }
    FILE* raw = std::fopen(name, clean.c_str());
    if (!raw || binary) return raw;
    auto* t = new TextFile{raw};
    cookie_io_functions_t io{text_read, text_write, text_seek, text_close};
    FILE* f = fopencookie(t, clean.c_str(), io);
    if (!f) {
        int err = errno;
        std::fclose(raw);
        delete t;
        errno = err;
        return nullptr;
    }
    setvbuf(f, nullptr, _IONBF, 0);
    text_files()[f] = t;
    return f;
}

int file_descriptor(FILE* f) {
    if (!f) return -1;
    auto& files = text_files();
    if (auto it = files.find(f); it != files.end()) return fileno(it->second->raw);
    return fileno(f);
}

OpenError classify_errno(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return OpenError::not_found;
    case EACCES:
    case EPERM:
    case EBUSY:
    case ETXTBSY:
    case EROFS: return OpenError::access_denied;
    default: return OpenError::other;
    }
}

namespace {
// same when the identity of path is in st; else not_opened or not_examined.
Sameness identity(const char* path, struct stat& st, Sameness not_opened, Sameness not_examined) {
    int fd = ::open(disk_name(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return not_opened;
    int r = fstat(fd, &st);
    ::close(fd);
    return r == 0 ? Sameness::same : not_examined;
}
}  // namespace

Sameness same_file(const char* a, const char* b) {
    struct stat sa, sb;
    if (Sameness r = identity(a, sa, Sameness::first_not_opened, Sameness::first_not_examined); r != Sameness::same)
        return r;
    if (Sameness r = identity(b, sb, Sameness::second_not_opened, Sameness::second_not_examined); r != Sameness::same)
        return r;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? Sameness::same : Sameness::different;
}

std::uint32_t pack_dos_time(int year, int month, int day, int hour, int minute, int second) {
    auto field = [](int v, int lo, int hi) { return static_cast<std::uint32_t>(std::clamp(v, lo, hi)); };
    std::uint32_t date = field(year - 1980, 0, 127) << 9 | field(month, 1, 12) << 5 | field(day, 1, 31);
    std::uint32_t time = field(hour, 0, 23) << 11 | field(minute, 0, 59) << 5 | field(second, 0, 59) / 2;
    return date << 16 | time;
}

std::uint32_t file_mtime(const char* path) {
    int fd = ::open(disk_name(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st;
    int r = fstat(fd, &st);
    ::close(fd);
    if (r != 0) return 0;
    std::tm tm{};
    time_t t = st.st_mtime;
    if (!localtime_r(&t, &tm)) return 0;
    return pack_dos_time(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

bool file_exists(const char* path) {
    struct stat st;
    return ::stat(disk_name(path).c_str(), &st) == 0;
}

bool folder_exists(const char* path) {
    DIR* d = opendir(disk_name(path).c_str());
    if (!d) return false;
    closedir(d);
    return true;
}

std::string current_folder() {
    std::string buf(PATH_MAX, '\0');
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

bool flush_file(FILE* f) {
    if (!f || fflush(f) != 0) return false;
    auto& files = text_files();
    return !(files.count(f) && fflush(files.at(f)->raw) != 0);
}

bool sync_file(FILE* f) {
    int fd = file_descriptor(f);
    return flush_file(f) && fd >= 0 && fsync(fd) == 0;
}

bool sync_file_system(FILE* f) {
    int fd = file_descriptor(f);
    return flush_file(f) && fd >= 0 && syncfs(fd) == 0;
}

bool sync_folder_of(const char* path) {
    std::string p(path);
    auto slash = p.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    ::close(fd);
    return ok;
}

std::string program_path() {
    std::string buf(PATH_MAX, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string program_folder() {
    std::string path = program_path();
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

void sleep_ms(int ms) {
    // A pause is there for the user to read what was just written.
    if (has_console()) console().refresh();
    if (ms <= 0) return;
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

}  // namespace platform
