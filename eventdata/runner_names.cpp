#include "eventdata/runner_names.h"
#include "eventdata/team_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/list_file.h"
#include "eventdata/mastfile.h"
#include "eventdata/master_build.h"
#include "eventdata/race_folder.h"
#include "platform/files.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr const char* SENSYU_FILE = "SENSYU.TXT";
constexpr int MIN_NAME_WIDTH = 12;

// Team number and division of every record of MASTFILE.DAT, in record order. The
// records are read with the file's own length (an older layout without a header
// keeps both fields at the same offsets), so a file the header checks will refuse
// later still gives its teams their own record numbers.
struct MasterTeam {
    int team;
    int division;
};

std::vector<MasterTeam> master_teams() {
    std::vector<MasterTeam> teams;
    Stream f = fopen_retry(MASTFILE_NAME, "rb");
    unsigned char header[MAST_HEADER_SIZE];
    std::size_t got = std::fread(header, 1, sizeof header, f);
    int rec_len = 0;
    if (got == sizeof header && decode_mast_header(header).current_format()) {
        rec_len = decode_mast_header(header).rec_len;
    } else {
        rec_len = old_mastrec_size(definition().max_sections());
        std::rewind(f);
    }
    if (rec_len < MAST_BLOCKS) return teams;
    read_raw_records(f, rec_len, [&teams](int, const unsigned char* record) {
        teams.push_back({get_le16(record + MAST_TEAM_NO), record[MAST_DIVISION]});
    });
    return teams;
}

// A team of a division the event no longer has keeps a name in every slot: its
// record is rebuilt with the master file, and nothing typed is lost before that.
int sections_of(int division) {
    return division < definition().division_count() ? division_sections(division) : std::clamp(definition().max_sections(), 0, MAX_KUKAN);
}

class RunnerLines {
public:
    explicit RunnerLines(const std::vector<MasterTeam>& teams) : teams_(teams) {
        record_of_.fill(-1);
        for (std::size_t n = 0; n < teams.size(); ++n) {
            int t = teams[n].team;
            if (t >= 1 && t <= 999 && record_of_[t] < 0) record_of_[t] = static_cast<int>(n);
        }
    }

    void read(const char* line, FILE* out, const char* separators, int line_no) {
        int team = leading_number(line);
        if (team < 1 || team > 999 || record_of_[team] < 0) return;
        if (seen_[team]) {
            fix_file(SENSYU_FILE,
                     formatted("\nチームＮｏ＝%d が重複しています\n", team) + formatted("%d 行目\n", line_no));
        }
        int rec = record_of_[team];
        RunnerNameRecord r;
        clear_name_record(r);
        r.team_no = static_cast<std::int16_t>(team);
        const char* p = line;
        skip_digits(&p);
        int sections = sections_of(teams_[rec].division);
        for (int s = 1; s <= sections && next_list_field(&p, separators); ++s) {
            char name[RUNNER_NAME_SIZE];
            fit_list_field(take_list_field(&p, separators), name, sizeof name, separators);
            r.set_runner(s, name);
        }
        name_write(out, rec, r);
        seen_[team] = true;
    }

private:
    const std::vector<MasterTeam>& teams_;
    std::array<int, 1000> record_of_{};
    std::array<bool, 1000> seen_{};
};

}  // namespace

bool build_name_file() {
    if (!file_exists(MASTFILE_NAME)) return false;
    // Built by one copy at a time from the master file as it is once the lock is
    // held; an orderly stop (a wrong SENSYU.TXT, "中止") leaves NAMEFILE.DAT as it
    // was and no half-built copy beside it.
    BuildLock building(BuildLock::waiting);
    if (!file_exists(MASTFILE_NAME)) return false;
    SourceStamps sources = take_source_stamps({SENSYU_FILE});
    kihon_data();
    team_index.set();

    std::vector<MasterTeam> teams = master_teams();
    OwnTemporary temporary(NAMEFILE_NAME);
    {
        Stream out = fopen_retry(temporary.name(), "wb");
        name_write_header(out);
        RunnerNameRecord r;
        for (std::size_t n = 0; n < teams.size(); ++n) {
            clear_name_record(r);
            r.team_no = static_cast<std::int16_t>(teams[n].team);
            name_write(out, static_cast<int>(n), r);
        }
        fclose_or_abort(out);
    }

    if (file_exists(SENSYU_FILE)) {
        RunnerLines lines(teams);
        try {
            read_list_file(SENSYU_FILE, temporary.name(), "r+b",
                           [&lines](const char* line, FILE* out, const char* separators, int line_no) {
                               lines.read(line, out, separators, line_no);
                           });
        } catch (const MainMenuReturn&) {
            // A stop in SENSYU.TXT keeps the names read up to there, one record per
            // team as always; stamped as the list was, so that an edit made while the
            // message was shown still counts as newer and the menu builds again.
            temporary.install(NAMEFILE_NAME, sources, true);
            throw;
        }
    }
    temporary.install(NAMEFILE_NAME, sources);
    return true;
}

namespace {

// Which files a comparison was made for: the menu looks every second.
struct Identity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t modified = 0;
    off_t size = 0;
    bool operator==(const Identity&) const = default;
};

Identity identity_of(const char* name) {
    Identity id;
    struct stat st;
    if (::stat(platform::disk_name(name).c_str(), &st) != 0) return id;
    id = Identity{true, st.st_dev, st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_size};
    return id;
}

std::vector<int> name_file_teams() {
    std::vector<int> teams;
    Stream f(platform::open_file(NAMEFILE_NAME, "rb"));
    if (!f) return teams;
    unsigned char header[NAME_HEADER_SIZE];
    if (std::fread(header, 1, sizeof header, f) != sizeof header) return teams;
    const NameHeader h = decode_name_header(header);
    if (h.marker != -1 || h.max_kukan < 0 || h.max_kukan > MAX_KUKAN) return teams;
    read_raw_records(f, namerec_size(h.max_kukan),
                     [&teams](int, const unsigned char* record) { teams.push_back(get_le16(record + NAME_TEAM_NO)); });
    return teams;
}

// A damaged master file (cut inside a record) is no reason to build names from it:
// the check before the entries reports it.
bool master_file_whole(off_t size) {
    Stream f(platform::open_file(MASTFILE_NAME, "rb"));
    unsigned char header[MAST_HEADER_SIZE];
    if (!f || std::fread(header, 1, sizeof header, f) != sizeof header) return false;
    const MastHeader h = decode_mast_header(header);
    return h.current_format() && h.rec_len > 0 && (size - MAST_HEADER_SIZE) % h.rec_len == 0;
}

}  // namespace

bool name_file_fits_master() {
    static Identity checked_master, checked_names;
    static bool fitted = false;
    const Identity master = identity_of(MASTFILE_NAME), names = identity_of(NAMEFILE_NAME);
    if (!master.exists || !names.exists) return false;
    if (master == checked_master && names == checked_names) return fitted;
    std::vector<int> expected;
    for (const MasterTeam& t : master_teams()) expected.push_back(t.team);
    fitted = name_file_teams() == expected || !master_file_whole(master.size);
    checked_master = master;
    checked_names = names;
    return fitted;
}

int runner_name_width() {
    int width = MIN_NAME_WIDTH;
    if (!file_exists(NAMEFILE_NAME)) return width;
    Stream f = fopen_retry(NAMEFILE_NAME, "rb");
    unsigned char header[NAME_HEADER_SIZE];
    if (std::fread(header, 1, sizeof header, f) != sizeof header) return width;
    NameHeader h = decode_name_header(header);
    int sections = h.marker == -1 ? std::clamp<int>(h.max_kukan, 0, MAX_KUKAN) : 0;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(namerec_size(sections)));
    RunnerNameRecord r;
    while (std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size()) {
        decode_name_record(bytes.data(), r, sections);
        for (int s = 1; s <= sections; ++s) width = std::max(width, static_cast<int>(std::strlen(r.runner(s))));
    }
    return width;
}

// The runners of every team, read in file order (the listing order would seek for
// every team). A name record that is missing or belongs to another team gives no
// names rather than wrong ones.
std::vector<RunnerNameRecord> read_name_records(const std::vector<TeamRecord>& teams) {
    std::vector<RunnerNameRecord> names(teams.size());
    for (RunnerNameRecord& r : names) clear_name_record(r);
    Stream f = fopen_retry(NAMEFILE_NAME, "rb");
    std::error_code ec;
    const auto size = std::filesystem::file_size(NAMEFILE_NAME, ec);
    const long available = ec || definition().name_record_size() <= 0 || size < static_cast<std::uintmax_t>(NAME_HEADER_SIZE)
                               ? 0
                               : static_cast<long>((size - NAME_HEADER_SIZE) / definition().name_record_size());
    for (std::size_t n = 0; n < names.size() && static_cast<long>(n) < available; ++n) {
        name_read(f, static_cast<int>(n), names[n]);
        if (names[n].team_no != teams[n].team_no) clear_name_record(names[n]);
    }
    fclose_or_abort(f);
    return names;
}

}  // namespace korvel
