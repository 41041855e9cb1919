#include "eventdata/division_counts.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "eventdata/mastfile.h"
#include "shell/console_ui.h"

namespace korvel {


namespace {

void out_printf(FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void out_printf(FILE* out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    if (out) {
        std::vfprintf(out, format, args);
    } else {
        std::vsnprintf(line, sizeof line, format, args);
        cputs(line);
    }
    va_end(args);
}

}  // namespace

void count_teams(const char* mast_name, int (&counts)[MAX_BUMON]) {
    std::fill(std::begin(counts), std::end(counts), 0);
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(mast_name, "rb", header);
    MastHeader h = decode_mast_header(header);
    // Only the division byte is needed: records are read at the length the file
    // itself states, so a file of another shape is still counted correctly.
    if (h.rec_len <= MAST_DIVISION) return;
    read_raw_records(f, h.rec_len, [&counts](int, const unsigned char* record) {
        int d = record[MAST_DIVISION];
        if (d < MAX_BUMON) ++counts[d];
    });
}

void print_counts(FILE* out, const int (&counts)[MAX_BUMON]) {
    int width = 0;
    for (int d = 0; d < definition().division_count(); ++d) width = std::max(width, static_cast<int>(std::strlen(division_name(d))));
    int total = 0;
    for (int d = 0; d < definition().division_count(); ++d) {
        out_printf(out, "%2d: %-*s %3dチーム\n", d + 1, width, division_name(d), counts[d]);
        total += counts[d];
    }
    out_printf(out, "%*s合計 %3dチーム\n", width, "", total);
}

void count_division_teams(const char* mast_name, FILE* out) {
    int counts[MAX_BUMON];
    count_teams(mast_name, counts);
    print_counts(out, counts);
}

}  // namespace korvel
