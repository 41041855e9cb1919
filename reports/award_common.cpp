#include "reports/award_common.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "timing/ranking.h"

namespace korvel {

RaceData read_race_data() {
    RaceData data;
    data.teams = read_all_records();
    data.names = read_name_records(data.teams);
    return data;
}

std::string text_format(const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

const char* division_name(int division) {
    return division >= 0 && division < bumon_suu && division < MAX_BUMON ? divisions[division].name : "";
}

int division_name_width() {
    int width = 0;
    for (int d = 0; d < bumon_suu && d < MAX_BUMON; ++d)
        width = std::max(width, static_cast<int>(std::strlen(divisions[d].name)));
    return width;
}

double section_speed(int division, int section, RaceTime t) {
    const long double hours = time_to_hours(t);
    if (!time_is_set(t) || hours <= 0) return 0;
    return static_cast<double>(section_distance(division, section) / hours);
}

bool write_merge_file(const char* name, const std::function<void(FILE*)>& body) {
    const std::string temporary = std::string(name) + ".tmp";
    bool written = false;
    int err = 0;
    {
        Stream out = fopen_retry(temporary.c_str(), "wt");
        try {
            body(out);
        } catch (...) {
            out.close();
            platform::remove_file(temporary.c_str());
            throw;
        }
        written = std::fflush(out) == 0 && !std::ferror(out) && platform::sync_file(out);
        err = errno;
        if (!out.close() && written) {
            written = false;
            err = errno;
        }
    }
    if (written && !platform::rename_file(temporary.c_str(), name)) {
        written = false;
        err = errno;
    }
    if (!written) {
        platform::remove_file(temporary.c_str());
        cprintf("\n%s への書き込みに失敗しました。この出力は完了していません", name);
        show_system_error(err);
        wait_confirm();
        return false;
    }
    platform::sync_folder_of(name);
    open_with_association(name);
    return true;
}

}  // namespace korvel
