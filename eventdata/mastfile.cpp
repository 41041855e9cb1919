#include "eventdata/mastfile.h"
#include "eventdata/team_index.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/data_questions.h"
#include "eventdata/mast_lock.h"
#include "eventdata/race_folder.h"
#include "platform/files.h"
#include "platform/whole_file.h"
#include "shell/console_ui.h"
#include "eventdata/master_build.h"
#include "shell/output.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr const char* EKI_TXT = "EKI.TXT";
constexpr const char* BUMON_TXT = "BUMON.TXT";
constexpr const char* DEBUG_DUMP = "debugdmp.tmp";
constexpr int MAX_MASTREC = mastrec_size(MAX_KUKAN);
constexpr int MAX_NAMEREC = namerec_size(MAX_KUKAN);

// ---- Fields ----

void put_time(unsigned char* p, RaceTime t) {
    p[0] = t.h;
    p[1] = t.m;
    p[2] = t.s;
}

RaceTime get_time(const unsigned char* p) { return RaceTime{p[0], p[1], p[2]}; }

// Copies the text at src (at most src_width bytes, terminated or not) into a field of
// dst_size bytes: at most dst_size - 1 bytes of text, never half a double-byte
// character, the rest zero.
void copy_text(char* dst, std::size_t dst_size, const char* src, std::size_t src_width) {
    std::size_t len = strnlen(src, src_width);
    std::size_t limit = std::min(len, dst_size - 1);
    std::size_t n = 0;
    while (n < len) {
        std::size_t clen = is_sjis_lead(static_cast<unsigned char>(src[n])) && n + 1 < len ? 2 : 1;
        if (n + clen > limit) break;
        n += clen;
    }
    std::memcpy(dst, src, n);
    std::memset(dst + n, 0, dst_size - n);
}

// ---- Station blocks ----

void encode_block(const StationBlock& b, unsigned char* p) {
    put_le16(p + BLOCK_INPUT_SEQ, b.input_seq);
    put_time(p + BLOCK_DEPARTURE, b.departure);
    put_time(p + BLOCK_ARRIVAL, b.arrival);
    put_time(p + BLOCK_SECTION_TIME, b.section_time);
    put_time(p + BLOCK_CUMUL_TIME, b.cumul_time);
    put_le16(p + BLOCK_SECTION_RANK, b.section_rank);
    put_le16(p + BLOCK_CUMUL_RANK, b.cumul_rank);
}

void decode_block(const unsigned char* p, StationBlock& b) {
    b.input_seq = get_le16(p + BLOCK_INPUT_SEQ);
    b.departure = get_time(p + BLOCK_DEPARTURE);
    b.arrival = get_time(p + BLOCK_ARRIVAL);
    b.section_time = get_time(p + BLOCK_SECTION_TIME);
    b.cumul_time = get_time(p + BLOCK_CUMUL_TIME);
    b.section_rank = get_le16(p + BLOCK_SECTION_RANK);
    b.cumul_rank = get_le16(p + BLOCK_CUMUL_RANK);
}

// The old block is the current one without its leading input sequence number.
static_assert(MAST_BLOCK_SIZE - BLOCK_DEPARTURE == OLD_MAST_BLOCK_SIZE);

// ---- Record sizes of the loaded event ----

bool event_loaded() {
    return definition().max_sections() >= 0 && definition().max_sections() <= MAX_KUKAN && definition().master_record_size() == mastrec_size(definition().max_sections()) &&
           definition().name_record_size() == namerec_size(definition().max_sections());
}

// The record operations need the event definition; without it no position is right.
void require_event(const char* operation) {
    if (event_loaded()) return;
    cprintf("\n%s: max_kukan=%d sizeof_mastrec=%d sizeof_namerec=%d\n", operation, definition().max_sections(), definition().master_record_size(),
            definition().name_record_size());
    fatal_stop();
}

long mast_position(int rec_no) { return MAST_HEADER_SIZE + static_cast<long>(rec_no) * definition().master_record_size(); }
long name_position(int rec_no) { return NAME_HEADER_SIZE + static_cast<long>(rec_no) * definition().name_record_size(); }

[[noreturn]] void record_error(const char* call, const char* operation, int rec_no, long position,
                               const char* size_name, int size) {
    cprintf("\n%s error in %s(rec_no=%d)\n", call, operation, rec_no);
    cprintf("file position=%ld\n", position);
    cprintf("%s=%d\n", size_name, size);
    fatal_stop();
}

void read_record(FILE* f, int rec_no, unsigned char* bytes, bool master) {
    const char* op = master ? "mast_read" : "name_read";
    const char* size_name = master ? "sizeof_mastrec" : "sizeof_namerec";
    int size = master ? definition().master_record_size() : definition().name_record_size();
    long pos = master ? mast_position(rec_no) : name_position(rec_no);
    if (rec_no < 0 || std::fseek(f, pos, SEEK_SET) != 0) record_error("fseek", op, rec_no, pos, size_name, size);
    if (std::fread(bytes, 1, static_cast<std::size_t>(size), f) != static_cast<std::size_t>(size))
        record_error("fread", op, rec_no, pos, size_name, size);
}

void write_record(FILE* f, int rec_no, const unsigned char* bytes, bool master) {
    const char* op = master ? "mast_write" : "name_write";
    const char* size_name = master ? "sizeof_mastrec" : "sizeof_namerec";
    int size = master ? definition().master_record_size() : definition().name_record_size();
    long pos = master ? mast_position(rec_no) : name_position(rec_no);
    if (rec_no < 0 || std::fseek(f, pos, SEEK_SET) != 0) record_error("fseek", op, rec_no, pos, size_name, size);
    if (std::fwrite(bytes, 1, static_cast<std::size_t>(size), f) != static_cast<std::size_t>(size))
        record_error("fwrite", op, rec_no, pos, size_name, size);
}

void write_or_stop(FILE* f, const void* bytes, std::size_t size, const char* operation) {
    if (std::fwrite(bytes, 1, size, f) != size) {
        cprintf("fwrite error in %s\n", operation);
        fatal_stop();
    }
}

// ---- Conversion of the old master format ----

[[noreturn]] void other_event(int old_len) {
    cprintf("\n\t%s, %s と\n", EKI_TXT, BUMON_TXT);
    cprintf("\t%s が\n", MASTFILE_NAME);
    cputs("\t異なる駅伝大会のものと思われます\n");
    cprintf("旧レコード長=%d\n", old_len);
    cprintf("新レコード長=%d\n", definition().master_record_size());
    fatal_stop();
}

// The temporary file receives every record converted; MASTFILE.DAT is only read.
void write_converted_copy(const char* temporary) {
    const int old_len = old_mastrec_size(definition().max_sections());
    Stream in = fopen_retry(MASTFILE_NAME, "rb");
    Stream out = fopen_retry(temporary, "wb");
    mast_write_header(out);

    std::vector<unsigned char> old_rec(static_cast<std::size_t>(old_len));
    unsigned char rec[MAX_MASTREC];
    for (;;) {
        std::size_t got = std::fread(old_rec.data(), 1, old_rec.size(), in);
        if (got == 0 && std::feof(in)) break;
        // A part of a record at the end means records of another length.
        if (got != old_rec.size()) {
            if (std::ferror(in)) {
                cprintf("fread error in %s\n", "convert_old_master_file()");
                fatal_stop();
            }
            other_event(old_len);
        }
        std::int16_t team = get_le16(old_rec.data() + MAST_TEAM_NO);
        if (team < 0 || team > 999) other_event(old_len);

        std::memcpy(rec, old_rec.data(), MAST_BLOCKS);
        for (int k = 0; k <= definition().max_sections(); ++k) {
            unsigned char* block = rec + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
            put_le16(block + BLOCK_INPUT_SEQ, 0);
            std::memcpy(block + BLOCK_DEPARTURE, old_rec.data() + MAST_BLOCKS + k * OLD_MAST_BLOCK_SIZE,
                        OLD_MAST_BLOCK_SIZE);
        }
        write_or_stop(out, rec, static_cast<std::size_t>(definition().master_record_size()), "convert_old_master_file()");
    }
    if (!platform::sync_file(out) || !out.close()) {
        cprintf("fwrite error in %s\n", "convert_old_master_file()");
        fatal_stop();
    }
    in.close();
}

// MASTFILE.OLD gets the old file and MASTFILE.DAT the new one, and at every moment a
// MASTFILE.DAT exists: the old file is linked (or copied) first, then the new one is
// renamed over it in one step.
void replace_with_converted(const char* temporary) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove(MASTFILE_OLD, ec);
    fs::create_hard_link(MASTFILE_NAME, MASTFILE_OLD, ec);
    if (ec) {
        ec.clear();
        fs::copy_file(MASTFILE_NAME, MASTFILE_OLD, fs::copy_options::overwrite_existing, ec);
        if (!ec) {
            Stream copy(platform::open_file(MASTFILE_OLD, "rb+"));
            if (!copy || !platform::sync_file(copy)) ec = std::make_error_code(std::errc::io_error);
        }
    }
    if (ec) {
        cprintf("\n%s を %s にコピーできません\n%s\n", MASTFILE_NAME, MASTFILE_OLD, ec.message().c_str());
        fatal_stop();
    }
    if (int err = platform::place_temporary(temporary, MASTFILE_NAME)) {
        cprintf("\n%s を %s に変更できません\n%s\n", MASTFILE_TMP, MASTFILE_NAME,
                std::generic_category().message(err).c_str());
        fatal_stop();
    }
}

// ---- Debug dump ----

void dump_bytes(FILE* out, const char* label, const unsigned char* p, int count, const char* end) {
    std::fprintf(out, "%s=", label);
    for (int i = 0; i < count; ++i) std::fprintf(out, i ? " %02X" : "%02X", p[i]);
    std::fputs(end, out);
}

}  // namespace

// ---- Records in memory ----

void TeamRecord::set_name(const char* text) { copy_text(name, sizeof name, text, sizeof name * 4); }

const char* RunnerNameRecord::runner(int section) const {
    if (section < 1 || section > MAX_KUKAN) return "";
    return runners[section - 1];
}

void RunnerNameRecord::set_runner(int section, const char* text) {
    if (section < 1 || section > MAX_KUKAN) return;
    copy_text(runners[section - 1], RUNNER_NAME_SIZE, text, RUNNER_NAME_SIZE * 4);
}

void clear_station_block(StationBlock& b) {
    b.input_seq = 0;
    time_set_none(b.departure);
    time_set_none(b.arrival);
    time_clear(b.section_time);
    time_clear(b.cumul_time);
    b.section_rank = -1;
    b.cumul_rank = -1;
}

void clear_team_record(TeamRecord& r) {
    r.team_no = 0;
    r.open_flag = '0';
    r.division = 0;
    std::memset(r.name, 0, sizeof r.name);
    for (auto& b : r.blocks) clear_station_block(b);
}

void clear_name_record(RunnerNameRecord& r) {
    r.team_no = 0;
    std::memset(r.runners, 0, sizeof r.runners);
}

// ---- Byte layouts ----

void encode_team_record(const TeamRecord& r, unsigned char* bytes, int file_max_kukan) {
    put_le16(bytes + MAST_TEAM_NO, r.team_no);
    bytes[MAST_OPEN_FLAG] = static_cast<unsigned char>(r.open_flag);
    bytes[MAST_DIVISION] = r.division;
    copy_text(reinterpret_cast<char*>(bytes + MAST_TEAM_NAME), MAST_TEAM_NAME_SIZE, r.name, sizeof r.name);
    StationBlock unused;
    clear_station_block(unused);
    for (int k = 0; k <= file_max_kukan; ++k)
        encode_block(k <= MAX_KUKAN ? r.blocks[k] : unused, bytes + MAST_BLOCKS + k * MAST_BLOCK_SIZE);
}

void decode_team_record(const unsigned char* bytes, TeamRecord& r, int file_max_kukan) {
    r.team_no = get_le16(bytes + MAST_TEAM_NO);
    r.open_flag = static_cast<char>(bytes[MAST_OPEN_FLAG]);
    r.division = bytes[MAST_DIVISION];
    copy_text(r.name, sizeof r.name, reinterpret_cast<const char*>(bytes + MAST_TEAM_NAME), MAST_TEAM_NAME_SIZE);
    for (int k = 0; k <= MAX_KUKAN; ++k) {
        if (k <= file_max_kukan)
            decode_block(bytes + MAST_BLOCKS + k * MAST_BLOCK_SIZE, r.blocks[k]);
        else
            clear_station_block(r.blocks[k]);
    }
}

void encode_name_record(const RunnerNameRecord& r, unsigned char* bytes, int file_max_kukan) {
    put_le16(bytes + NAME_TEAM_NO, r.team_no);
    for (int s = 1; s <= file_max_kukan; ++s) {
        char* field = reinterpret_cast<char*>(bytes + NAME_RUNNERS + (s - 1) * RUNNER_NAME_SIZE);
        copy_text(field, RUNNER_NAME_SIZE, r.runner(s), RUNNER_NAME_SIZE);
    }
}

void decode_name_record(const unsigned char* bytes, RunnerNameRecord& r, int file_max_kukan) {
    clear_name_record(r);
    r.team_no = get_le16(bytes + NAME_TEAM_NO);
    for (int s = 1; s <= file_max_kukan && s <= MAX_KUKAN; ++s) {
        const char* field = reinterpret_cast<const char*>(bytes + NAME_RUNNERS + (s - 1) * RUNNER_NAME_SIZE);
        copy_text(r.runners[s - 1], RUNNER_NAME_SIZE, field, RUNNER_NAME_SIZE);
    }
}

bool MastHeader::current_format() const { return std::memcmp(version, MAST_VERSION, MAST_HDR_VERSION_LEN) == 0; }

void encode_mast_header(const MastHeader& h, unsigned char* bytes) {
    std::memcpy(bytes + MAST_HDR_VERSION, h.version, MAST_HDR_VERSION_LEN);
    put_le16(bytes + MAST_HDR_MAX_KUKAN, h.max_kukan);
    put_le16(bytes + MAST_HDR_REC_LEN, h.rec_len);
}

MastHeader decode_mast_header(const unsigned char* bytes) {
    MastHeader h;
    std::memcpy(h.version, bytes + MAST_HDR_VERSION, MAST_HDR_VERSION_LEN);
    h.max_kukan = get_le16(bytes + MAST_HDR_MAX_KUKAN);
    h.rec_len = get_le16(bytes + MAST_HDR_REC_LEN);
    return h;
}

MastHeader current_mast_header() {
    MastHeader h;
    std::memcpy(h.version, MAST_VERSION, MAST_HDR_VERSION_LEN);
    h.max_kukan = static_cast<std::int16_t>(definition().max_sections());
    h.rec_len = static_cast<std::int16_t>(definition().master_record_size());
    return h;
}

void encode_name_header(const NameHeader& h, unsigned char* bytes) {
    put_le16(bytes + NAME_HDR_MARKER, h.marker);
    put_le16(bytes + NAME_HDR_MAX_KUKAN, h.max_kukan);
    put_le16(bytes + NAME_HDR_FIELD_WIDTH, h.field_width);
}

NameHeader decode_name_header(const unsigned char* bytes) {
    return NameHeader{get_le16(bytes + NAME_HDR_MARKER), get_le16(bytes + NAME_HDR_MAX_KUKAN),
                      get_le16(bytes + NAME_HDR_FIELD_WIDTH)};
}

NameHeader current_name_header() {
    return NameHeader{-1, static_cast<std::int16_t>(definition().max_sections()), static_cast<std::int16_t>(RUNNER_NAME_SIZE)};
}

// ---- Record operations ----

Stream mast_open(const char* name, const char* mode, unsigned char* header) {
    Stream f = fopen_retry(name, mode);
    if (std::fread(header, 1, MAST_HEADER_SIZE, f) != static_cast<std::size_t>(MAST_HEADER_SIZE)) {
        cprintf("fread error in mast_open(%s) filename=%s\n", mode, name);
        fatal_stop();
    }
    return f;
}

Stream mast_open(const char* mode) {
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(MASTFILE_NAME, mode, header);
    if (!header_fits_event(header)) leave_for_rebuilt_data();
    return f;
}

void mast_read(FILE* f, int rec_no, TeamRecord& r) {
    require_event("mast_read");
    unsigned char bytes[MAX_MASTREC];
    read_record(f, rec_no, bytes, true);
    decode_team_record(bytes, r, definition().max_sections());
}

void mast_write(FILE* f, int rec_no, const TeamRecord& r) {
    require_event("mast_write");
    unsigned char bytes[MAX_MASTREC];
    encode_team_record(r, bytes, definition().max_sections());
    write_record(f, rec_no, bytes, true);
}

bool mast_read_next(FILE* f, TeamRecord& r) {
    require_event("mast_read");
    unsigned char bytes[MAX_MASTREC];
    if (std::fread(bytes, 1, static_cast<std::size_t>(definition().master_record_size()), f) != static_cast<std::size_t>(definition().master_record_size()))
        return false;
    decode_team_record(bytes, r, definition().max_sections());
    return true;
}

int read_raw_records(FILE* f, int rec_len, const RawRecordVisitor& visit) {
    if (rec_len <= 0) return 0;
    std::vector<unsigned char> record(static_cast<std::size_t>(rec_len));
    int n = 0;
    while (std::fread(record.data(), 1, record.size(), f) == record.size()) visit(n++, record.data());
    return n;
}

void mast_rewrite(FILE* f, const TeamRecord& r) {
    require_event("mast_rewrite");
    unsigned char bytes[MAX_MASTREC];
    encode_team_record(r, bytes, definition().max_sections());
    if (std::fseek(f, -static_cast<long>(definition().master_record_size()), SEEK_CUR) != 0) {
        cputs("fseek error in mast_rewrite\n");
        fatal_stop();
    }
    if (std::fwrite(bytes, 1, static_cast<std::size_t>(definition().master_record_size()), f) != static_cast<std::size_t>(definition().master_record_size())) {
        cputs("fwrite error in mast_rewrite\n");
        fatal_stop();
    }
    // Switching from writing back to reading needs a positioning call.
    if (std::fseek(f, 0, SEEK_CUR) != 0) {
        cputs("fseek error in mast_rewrite\n");
        fatal_stop();
    }
}

void mast_rewrite_durable(FILE* f, const TeamRecord& r) {
    mast_rewrite(f, r);
    mast_sync(f, "mast_rewrite");
}

void mast_sync(FILE* f, const char* operation) {
    if (!platform::sync_file(f)) {
        cprintf("fflush error in %s\n", operation);
        fatal_stop();
    }
}

void mast_write_header(FILE* f) {
    require_event("mast_write_header");
    unsigned char bytes[MAST_HEADER_SIZE];
    encode_mast_header(current_mast_header(), bytes);
    if (std::fseek(f, 0, SEEK_SET) != 0) {
        cputs("fseek error in mast_write_header\n");
        fatal_stop();
    }
    write_or_stop(f, bytes, sizeof bytes, "mast_write_header");
}

void name_read(FILE* f, int rec_no, RunnerNameRecord& r) {
    require_event("name_read");
    unsigned char bytes[MAX_NAMEREC];
    read_record(f, rec_no, bytes, false);
    decode_name_record(bytes, r, definition().max_sections());
}

void name_write(FILE* f, int rec_no, const RunnerNameRecord& r) {
    require_event("name_write");
    unsigned char bytes[MAX_NAMEREC];
    encode_name_record(r, bytes, definition().max_sections());
    write_record(f, rec_no, bytes, false);
}

void name_write_header(FILE* f) {
    require_event("name_write_header");
    unsigned char bytes[NAME_HEADER_SIZE];
    encode_name_header(current_name_header(), bytes);
    if (std::fseek(f, 0, SEEK_SET) != 0) {
        cputs("fseek error in name_write_header\n");
        fatal_stop();
    }
    write_or_stop(f, bytes, sizeof bytes, "name_write_header");
}

// ---- Checks before the data are used ----

void check_master_header() {
    for (;;) {
        if (!file_exists(MASTFILE_NAME)) return;
        unsigned char bytes[MAST_HEADER_SIZE];
        mast_open(MASTFILE_NAME, "rb", bytes).close();
        MastHeader h = decode_mast_header(bytes);

        if (!h.current_format()) {
            if (data_questions().convert_old_master_file()) {
                convert_old_master_file();
                continue;
            }
            cprintf("\n%s を削除してから再実行してください\n", MASTFILE_NAME);
            fatal_stop();
        }
        if (h.max_kukan != definition().max_sections()) {
            clear_screen();
            show_folder_line(0, 0);
            cprintf("\n\t%s, %s から決まる最大区間数(%d)と\n", EKI_TXT, BUMON_TXT, definition().max_sections());
            cprintf("\t%s の区間数(%d)が違います\n", MASTFILE_NAME, h.max_kukan);
            cprintf("\n\t%s, %s を修正するか\n", EKI_TXT, BUMON_TXT);
            cprintf("\t%s を削除してください\n", MASTFILE_NAME);
            fatal_stop();
        }
        if (h.rec_len != definition().master_record_size()) {
            cputs("\nsizeof_mastrec エラー in kihon_data()\n");
            cprintf("%s が壊れています\n", MASTFILE_NAME);
            fatal_stop();
        }
        team_index.set();
        return;
    }
}

void namefile_version_check() {
    if (!file_exists(NAMEFILE_NAME)) return;
    unsigned char bytes[NAME_HEADER_SIZE];
    {
        Stream f = fopen_retry(NAMEFILE_NAME, "rb");
        if (std::fseek(f, 0, SEEK_SET) != 0) {
            cputs("fseek error in namefile_version_check() 先頭\n");
            fatal_stop();
        }
        if (std::fread(bytes, 1, sizeof bytes, f) != sizeof bytes) {
            cputs("fread error in namefile_version_check() 先頭\n");
            fatal_stop();
        }
    }
    NameHeader h = decode_name_header(bytes);

    if (h.marker == -1) {
        if (h.max_kukan == definition().max_sections()) return;
        clear_screen();
        show_folder_line(0, 0);
        set_cursor(3, 8);
        cprintf("%s, %s から決まる最大区間数(%d)と", EKI_TXT, BUMON_TXT, definition().max_sections());
        set_cursor(4, 8);
        cprintf("%s の区間数(%d)が違います", NAMEFILE_NAME, h.max_kukan);
        set_cursor(5, 8);
        cprintf("%s, %s を修正するか", EKI_TXT, BUMON_TXT);
        set_cursor(6, 8);
        cprintf("%s を削除してください", NAMEFILE_NAME);
        fatal_stop();
    }

    if (!data_questions().convert_old_name_file()) {
        save_destination();
        team_index.clear();
        exit_program(0);
    }
    bool rebuilt = false;
    {
        // The old names must survive: without the backup the file is not rebuilt.
        // Another copy may build again once the new file is in place, before the
        // user has read about it.
        BuildLock building(BuildLock::waiting);
        std::error_code ec;
        std::filesystem::rename(NAMEFILE_NAME, NAMEFILE_OLD, ec);
        if (ec) {
            cprintf("\n%s を %s に変更できません\n%s\n", NAMEFILE_NAME, NAMEFILE_OLD, ec.message().c_str());
            fatal_stop();
        }
        platform::sync_folder_of(NAMEFILE_OLD);
        rebuilt = build_name_file();
    }
    data_questions().name_file_converted(rebuilt);
    jump_to_main_menu();
}

void convert_old_master_file() {
    BuildLock building(BuildLock::waiting);
    kihon_data();
    require_event("convert_old_master_file");
    // No copy of the program may store into the old file from its first read until
    // the new one is in place; the copy of the old file is on the disk before that.
    OwnTemporary temporary(MASTFILE_NAME);
    std::string backup_error;
    {
        Stream held = mast_lock_for_replacing();
        backup_error = write_backup(snapshot_data_files(held), BackupKind::before_change);
        if (backup_error.empty()) {
            write_converted_copy(temporary.name());
            replace_with_converted(temporary.name());
            temporary.installed();
        }
    }
    if (!backup_error.empty()) {
        cprintf("\nバックアップを作れないため %s は変換しませんでした\n%s\n", MASTFILE_NAME, backup_error.c_str());
        fatal_stop();
    }
}

void master_debug_dump() {
    unsigned char header[MAST_HEADER_SIZE];
    Stream in = mast_open(MASTFILE_NAME, "rb", header);
    platform::WholeFile dump(DEBUG_DUMP, "wb");
    if (!dump) end_program(DEBUG_DUMP);
    FILE* out = dump.out();
    MastHeader h = decode_mast_header(header);
    std::fputs("version=", out);
    std::fwrite(h.version, 1, MAST_HDR_VERSION_LEN, out);
    std::fprintf(out, "\nmax_kukan=%d\nrec_len=%d\n", h.max_kukan, h.rec_len);

    // Records as the header says they are; a header too damaged for that falls back
    // to the event's record length.
    int rec_len = h.rec_len >= MAST_BLOCKS + MAST_BLOCK_SIZE ? h.rec_len : definition().master_record_size();
    if (rec_len < MAST_BLOCKS + MAST_BLOCK_SIZE) rec_len = MAST_BLOCKS + MAST_BLOCK_SIZE;
    const int blocks_in_record = (rec_len - MAST_BLOCKS) / MAST_BLOCK_SIZE;
    read_raw_records(in, rec_len, [&](int, const unsigned char* r) {
        dump_bytes(out, "チームNo", r + MAST_TEAM_NO, 2, ",");
        dump_bytes(out, "オープン参加", r + MAST_OPEN_FLAG, 1, ",");
        dump_bytes(out, "部門No", r + MAST_DIVISION, 1, ",");
        char name[MAST_TEAM_NAME_SIZE];
        copy_text(name, sizeof name, reinterpret_cast<const char*>(r + MAST_TEAM_NAME), MAST_TEAM_NAME_SIZE);
        std::fprintf(out, "チーム名=%s\n", name);

        // A division outside the event shows every block the record has.
        int division = r[MAST_DIVISION];
        int last = division < definition().division_count() ? division_sections(division) : blocks_in_record - 1;
        if (last > blocks_in_record - 1) last = blocks_in_record - 1;
        for (int k = 0; k <= last; ++k) {
            const unsigned char* b = r + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
            dump_bytes(out, "入力連番", b + BLOCK_INPUT_SEQ, 2, ",");
            dump_bytes(out, "出発時刻", b + BLOCK_DEPARTURE, 3, ",");
            dump_bytes(out, "到着時刻", b + BLOCK_ARRIVAL, 3, ",");
            dump_bytes(out, "区間時間", b + BLOCK_SECTION_TIME, 3, ",");
            dump_bytes(out, "通算時間", b + BLOCK_CUMUL_TIME, 3, ",");
            dump_bytes(out, "区間順位", b + BLOCK_SECTION_RANK, 2, ",");
            dump_bytes(out, "通算順位", b + BLOCK_CUMUL_RANK, 2, "\n");
        }
        std::fputs("\n", out);
    });
    if (dump.commit() != 0) end_program(DEBUG_DUMP);
    in.close();
}

}  // namespace korvel
