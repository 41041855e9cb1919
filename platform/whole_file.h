// Files written whole: the one way the program replaces a file. The new text goes to
// a temporary file beside the old one, with a name no other process uses, is written
// through to the disk and renamed over the old file, and the folder entry is synced.
// Whoever reads the file sees the old text or the new, never a part; a failure leaves
// the old file and removes the temporary one.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

// A temporary file beside final_name ("MASTFILE_Ab3xQz.TMP" beside MASTFILE.DAT),
// created empty with the permissions final_name has (the usual ones when it is new).
// Until temporary_done it is this process's own: remove_own_temporaries (the
// orderly stop) removes it. Empty when it cannot be made (errno kept).
std::string temporary_beside(const char* final_name);
// It was renamed into place or removed: nothing to clean up any more.
void temporary_done(const std::string& name);
void remove_own_temporaries();
// The same from a signal handler, which may neither lock nor allocate: unlinks each
// temporary file of this process by the full path it was made under.
void remove_own_temporaries_at_signal() noexcept;

// Puts a finished temporary file (closed or not) in place of name: written through
// to the disk, renamed over name, the folder synced. 0, or the errno of the step
// that failed; the temporary file is then left to its owner.
int place_temporary(const char* temporary, const char* name);

// One file being written whole. Write through out(), then commit(); undone (the
// temporary removed) when it goes out of scope uncommitted, so that an exception or
// an error return leaves the old file as it was.
class WholeFile {
public:
    // How the new file begins: empty, or with the old file's bytes (a list file
    // written after what it holds).
    enum class Begin { empty, after_old_content };
    // mode as open_file takes it: "wt" for a text file with CR LF line ends, "wb".
    // open opens the temporary file (tests put a full disk there).
    explicit WholeFile(std::string name, const char* mode = "wb", Begin begin = Begin::empty,
                       FILE* (*open)(const char* name, const char* mode) = open_file);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // nullptr when the temporary file could not be made or opened (error()).
    FILE* out() const { return out_; }
    explicit operator bool() const { return out_ != nullptr; }
    const std::string& name() const { return name_; }
    const std::string& temporary() const { return temporary_; }
    int error() const { return error_; }

    // Flushes, syncs, closes and renames into place. 0, or the errno of the failed
    // step (the write itself included); the old file is then untouched.
    int commit();
    // Flushes, syncs and closes only, for a caller that puts the file in place its
    // own way (a name claimed with link); it calls placed() or lets it be removed.
    int finish();
    void placed();

private:
    void discard();
    std::string name_;
    std::string temporary_;
    FILE* out_ = nullptr;
    int error_ = 0;
    bool done_ = false;
};

// bytes as the whole content of name: 0, or the errno of the failed step.
int write_whole_file(const char* name, std::string_view bytes);

}  // namespace platform
