#include "eventdata/import_times.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/data_questions.h"
#include "eventdata/import_conflicts.h"
#include "eventdata/journal.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr int MAX_TEAM_NO = 999;

RaceTime time_at(const unsigned char* p) { return RaceTime{p[0], p[1], p[2]}; }

JournalValue block_value(const unsigned char* block) {
    return JournalValue{true, time_at(block + BLOCK_ARRIVAL), time_at(block + BLOCK_DEPARTURE)};
}

bool block_has_time(const unsigned char* block) {
    return time_is_valid(time_at(block + BLOCK_ARRIVAL)) || time_is_valid(time_at(block + BLOCK_DEPARTURE));
}

// The header of name, or false when the file cannot be a master file of this
// version: too short, another format, or sizes that cannot hold a record.
bool read_header(const char* name, MastHeader& h) {
    Stream f = fopen_retry(name, "rb");
    unsigned char bytes[MAST_HEADER_SIZE];
    if (std::fread(bytes, 1, sizeof bytes, f) != sizeof bytes) return false;
    h = decode_mast_header(bytes);
    return h.current_format() && h.max_kukan >= 0 && h.rec_len >= mastrec_size(0);
}

// Station blocks 0..n of a record of this file: the header's section count, as far
// as the record length holds them.
int last_block(const MastHeader& h) {
    return std::min<int>(h.max_kukan, (h.rec_len - MAST_BLOCKS) / MAST_BLOCK_SIZE - 1);
}

[[noreturn]] void record_fault(const char* call, const char* name, long position) {
    cprintf("\n%s error in import_times(%s)\n", call, name);
    cprintf("file position=%ld\n", position);
    fatal_stop();
}

// Team number -> record number of the source; false (with the reason in notes) when a
// team number cannot be indexed. Team 0 is a valid number of the team list.
bool index_source(const char* source, const MastHeader& h, std::vector<int>& index, DataMessage& notes) {
    index.assign(MAX_TEAM_NO + 1, -1);
    Stream f = fopen_retry(source, "rb");
    if (std::fseek(f, MAST_HEADER_SIZE, SEEK_SET) != 0) record_fault("fseek", source, MAST_HEADER_SIZE);
    bool indexed = true;
    read_raw_records(f, h.rec_len, [&](int n, const unsigned char* record) {
        int team = get_le16(record + MAST_TEAM_NO);
        if (!indexed) return;
        if (team < 0 || team > MAX_TEAM_NO) {
            // The report of the team index, without its stop: the user may name
            // another file.
            notes.alarm = true;
            notes.text += formatted("\nチームＮｏ=%d エラー in set()\n", team);
            notes.text += formatted("%s が壊れています\n", source);
            notes.text += formatted("レコード長=%d\n", h.rec_len);
            indexed = false;
            return;
        }
        index[team] = n;
    });
    return indexed;
}

// The highest input sequence number of the destination, over the stations its teams'
// divisions use.
unsigned sequence_offset(const char* destination, const MastHeader& h) {
    Stream f = fopen_retry(destination, "rb");
    if (std::fseek(f, MAST_HEADER_SIZE, SEEK_SET) != 0) record_fault("fseek", destination, MAST_HEADER_SIZE);
    unsigned offset = 0;
    const int blocks = last_block(h);
    read_raw_records(f, h.rec_len, [&](int, const unsigned char* record) {
        // A division outside the event: every block the record has.
        int d = record[MAST_DIVISION];
        int sections = d < definition().division_count() ? std::min(division_sections(d), blocks) : blocks;
        for (int k = 1; k <= sections; ++k) {
            unsigned seq = static_cast<std::uint16_t>(get_le16(record + MAST_BLOCKS + k * MAST_BLOCK_SIZE));
            offset = std::max(offset, seq);
        }
    });
    return offset;
}

}  // namespace

namespace {
void (*import_checks)(const char* file) = nullptr;
int imported_blocks = 0;
std::optional<int> merge_times(const char* destination, const char* source, const MastHeader& dh,
                               const MastHeader& sh, std::vector<ImportConflict>* conflicts, DataMessage& notes);
}  // namespace

void set_import_checks(void (*checks)(const char* file)) { import_checks = checks; }

MergeOutcome merge_master_times(const char* destination, const char* source, const char* destination_shown) {
    using platform::Sameness;
    MergeOutcome out;
    auto refuse = [&out](MergeResult result, std::string text) {
        out.result = result;
        out.refusal = DataMessage{true, std::move(text)};
        return out;
    };
    const char* const real_destination = destination;
    const Sameness same = same_file(destination, source);
    if (destination_shown) destination = destination_shown;
    if (same == Sameness::same || same == Sameness::first_not_examined || same == Sameness::second_not_examined) {
        if (same == Sameness::same)
            return refuse(MergeResult::same_file, formatted("%s と %s は同じファイルです。\n", destination, source));
        return refuse(MergeResult::same_file,
                      formatted("%s と %s が同じファイルかどうか確かめられません。\n", destination, source));
    }

    MastHeader dh{}, sh{};
    for (const char* name : {real_destination, source}) {
        if (!read_header(name, name == real_destination ? dh : sh)) {
            if (name == real_destination) name = destination;
            return refuse(MergeResult::not_a_master_file,
                          formatted("%s は %s の形式ではありません\n", name, MASTFILE_NAME));
        }
    }
    struct Mismatch {
        const char* word;
        int dest_value, source_value;
        MergeResult result;
    };
    for (const Mismatch& m : {Mismatch{"区間数", dh.max_kukan, sh.max_kukan, MergeResult::section_counts_differ},
                              Mismatch{"レコード長", dh.rec_len, sh.rec_len, MergeResult::record_lengths_differ}}) {
        if (m.dest_value == m.source_value) continue;
        return refuse(m.result, formatted("%s の%sは %d\n", destination, m.word, m.dest_value) +
                                    formatted("%s の%sは %d\n", source, m.word, m.source_value) +
                                    formatted("%sが異なっています\n", m.word));
    }

    std::optional<int> taken = merge_times(real_destination, source, dh, sh, &out.conflicts, out.notes);
    if (!taken) {
        out.result = MergeResult::not_a_master_file;
        out.refusal = std::move(out.notes);
        out.notes = DataMessage{};
        return out;
    }
    out.taken = *taken;
    // The warnings read records of the loaded event definition; the headers above
    // only had to agree with each other.
    out.of_loaded_event =
        dh.max_kukan == definition().max_sections() && dh.rec_len == definition().master_record_size();
    return out;
}

MergeResult import_times(const char* destination, const char* source, const char* destination_shown) {
    const MergeOutcome out = merge_master_times(destination, source, destination_shown);
    if (out.result != MergeResult::merged) {
        data_questions().import_refused(out.refusal);
        return out.result;
    }
    imported_blocks = out.taken;
    data_questions().import_done(out.notes, out.taken, out.conflicts);
    import_conflict_report(out.conflicts, destination_shown ? destination_shown : destination, source);
    if (out.of_loaded_event && import_checks) import_checks(destination);
    return MergeResult::merged;
}

int last_imported_blocks() { return imported_blocks; }

std::optional<int> carry_times_over(const char* destination, const char* source) {
    MastHeader dh{}, sh{};
    if (!read_header(destination, dh) || !read_header(source, sh)) return std::nullopt;
    if (dh.max_kukan != sh.max_kukan || dh.rec_len != sh.rec_len) return std::nullopt;
    DataMessage notes;
    const std::optional<int> taken = merge_times(destination, source, dh, sh, nullptr, notes);
    if (!notes.text.empty()) data_questions().merge_notes(notes);
    return taken;
}

namespace {

// Steps 4-6 of the import: the number of blocks taken over; nothing when the source
// cannot be indexed or no copy could be made (why: in notes, which also gathers each
// team the merge could not take, in its order). Into MASTFILE.DAT the merge runs under
// the whole-file lock, after a copy of the file as it was. conflicts, when given,
// receives each block left alone where the source holds other times.
std::optional<int> merge_times(const char* destination, const char* source, const MastHeader& dh,
                               const MastHeader& sh, std::vector<ImportConflict>* conflicts, DataMessage& notes) {
    std::vector<int> index;
    if (!index_source(source, sh, index, notes)) return std::nullopt;
    const bool into_master = same_file(destination, MASTFILE_NAME) == platform::Sameness::same;
    Stream to = into_master ? mast_lock_file() : fopen_retry(destination, "r+b");
    if (into_master) {
        // The copy of the file as it was is on the disk before the first record
        // changes; without it nothing changes.
        std::string error = write_backup(snapshot_data_files(to), BackupKind::before_change);
        if (!error.empty()) {
            to.close();
            notes.text += formatted("バックアップを作れませんでした（%s）\n", error.c_str());
            return std::nullopt;
        }
    }
    unsigned offset = sequence_offset(destination, dh);

    const std::size_t rec_len = static_cast<std::size_t>(dh.rec_len);
    const int blocks = last_block(dh);
    std::vector<unsigned char> dest(rec_len), src(rec_len);
    Stream from = fopen_retry(source, "rb");
    if (std::fseek(to, MAST_HEADER_SIZE, SEEK_SET) != 0) record_fault("fseek", destination, MAST_HEADER_SIZE);
    int taken = 0;
    while (std::fread(dest.data(), 1, rec_len, to) == rec_len) {
        int team = get_le16(dest.data() + MAST_TEAM_NO);
        if (team < 0 || team > MAX_TEAM_NO) {
            notes.text += formatted("チームNo＝%d が不正\n", team);
            continue;
        }
        int rec_no = index[team];
        if (rec_no < 0) {
            notes.text += formatted("チームＮｏ＝%d：引き継ぎ元 %s に無し\n", team, source);
            continue;
        }
        long position = MAST_HEADER_SIZE + static_cast<long>(rec_no) * dh.rec_len;
        if (std::fseek(from, position, SEEK_SET) != 0) record_fault("fseek", source, position);
        if (std::fread(src.data(), 1, rec_len, from) != rec_len) record_fault("fread", source, position);

        bool changed = false;
        std::vector<JournalLine> lines;
        for (int k = 0; k <= blocks; ++k) {
            unsigned char* d = dest.data() + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
            const unsigned char* s = src.data() + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
            if (block_has_time(d) || !block_has_time(s)) {
                ImportConflict c;
                if (conflicts && import_conflict(dest.data(), src.data(), k, c)) conflicts->push_back(c);
                continue;
            }
            const JournalValue before = block_value(d);
            std::memcpy(d, s, MAST_BLOCK_SIZE);
            put_le16(d + BLOCK_INPUT_SEQ, static_cast<std::uint16_t>(get_le16(s + BLOCK_INPUT_SEQ) + offset));
            if (into_master) {
                lines.push_back(journal_block_line(JournalKind::file_import,
                                                   physical_station(dest[MAST_DIVISION], k), team, before,
                                                   block_value(d), static_cast<std::uint16_t>(get_le16(d + BLOCK_INPUT_SEQ)), source));
            }
            ++taken;
            changed = true;
        }
        if (!changed) continue;
        // A merge into the race's data is journaled record by record, each before
        // its record is written; the rebuild's carry-over is one line of its own.
        if (std::string refusal = journal_append(lines); !refusal.empty()) {
            notes.text += refusal + "\n";
            taken -= static_cast<int>(lines.size());
            break;
        }
        // Back over the record just read, and a seek before the next read.
        long here = std::ftell(to);
        if (here < 0 || std::fseek(to, here - dh.rec_len, SEEK_SET) != 0) record_fault("fseek", destination, here);
        if (std::fwrite(dest.data(), 1, rec_len, to) != rec_len) record_fault("fwrite", destination, here - dh.rec_len);
        if (std::fseek(to, 0, SEEK_CUR) != 0) record_fault("fseek", destination, here);
    }
    from.close();
    if (into_master) mast_sync(to, "import_times");
    fclose_or_abort(to);
    return taken;
}

}  // namespace

}  // namespace korvel
