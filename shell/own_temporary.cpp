#include "shell/own_temporary.h"

#include <cerrno>
#include <system_error>

#include "platform/files.h"
#include "platform/whole_file.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"

namespace korvel {

namespace fs = std::filesystem;

SourceStamps take_source_stamps(std::initializer_list<const char*> sources) {
    SourceStamps newest;
    for (const char* name : sources) {
        std::error_code ec;
        auto time = fs::last_write_time(name, ec);
        if (ec) continue;
        std::uint32_t packed = platform::file_mtime(name);
        if (packed > newest.packed || (packed == newest.packed && time > newest.time)) {
            newest.packed = packed;
            newest.time = time;
        }
    }
    return newest;
}

void install_temporary_file(const char* temporary_name, const char* final_name, const SourceStamps& sources,
                            bool exact) {
    if (platform::place_temporary(temporary_name, final_name) != 0) {
        cprintf("\n%s: can't rename %s to %s\n", program_path.c_str(), temporary_name, final_name);
        fatal_stop();
    }

    if (exact) {
        if (sources.packed == 0) return;
        std::error_code ec;
        fs::last_write_time(final_name, sources.time, ec);
        return;
    }
    keep_stamp_not_older(final_name, sources);
}

OwnTemporary::OwnTemporary(const char* final_name) : name_(temporary_beside(final_name)) {
    if (!name_.empty()) return;
    const int err = errno;
    cprintf("\n%s の一時ファイルを作れません\n", final_name);
    show_system_error(err);
    menu_return_prompt();
    jump_to_main_menu();
}

OwnTemporary::~OwnTemporary() {
    if (installed_) return;
    platform::remove_file(name_.c_str());
    temporary_done(name_);
}

void OwnTemporary::install(const char* final_name, const SourceStamps& sources, bool exact) {
    install_temporary_file(name_.c_str(), final_name, sources, exact);
    installed();
}

void OwnTemporary::installed() {
    installed_ = true;
    temporary_done(name_);
}

void keep_stamp_not_older(const char* name, const SourceStamps& sources) {
    if (sources.packed == 0 || platform::file_mtime(name) >= sources.packed) return;
    // A source stamped ahead of this computer's clock (copied from another PC).
    std::error_code ec;
    fs::last_write_time(name, sources.time, ec);
}

}  // namespace korvel
