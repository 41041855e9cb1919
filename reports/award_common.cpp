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

int division_name_width() {
    int width = 0;
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d)
        width = std::max(width, static_cast<int>(std::strlen(division_name(d))));
    return width;
}

double section_speed(int division, int section, RaceTime t) {
    const long double hours = time_to_hours(t);
    if (!time_is_set(t) || hours <= 0) return 0;
    return static_cast<double>(section_distance(division, section) / hours);
}

bool write_merge_file(const char* name, const std::function<void(FILE*)>& body) {
    if (!write_file_whole(name, body)) return false;
    open_with_association(name);
    return true;
}

}  // namespace korvel
