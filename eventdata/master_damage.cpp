#include "eventdata/master_damage.h"

#include <cstdio>
#include <string>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "eventdata/record_layout.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr const char* MASTFILE_BAD = "MASTFILE.BAD";
constexpr const char* NAMEFILE_BAD = "NAMEFILE.BAD";

bool read_stream(FILE* f, std::string& out) {
    out.clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return !std::ferror(f);
}

bool read_file_bytes(const std::string& name, std::string& out) {
    FILE* f = std::fopen(platform::disk_name(name).c_str(), "rb");
    if (!f) return false;
    bool ok = read_stream(f, out);
    std::fclose(f);
    return ok;
}

// The newest copy in backup/ that is whole itself (a copy taken after the damage is
// as damaged as the file), with its bytes; empty when there is none.
std::string newest_whole_copy(MasterLength& length, std::string& bytes) {
    for (const std::string& path : master_copies_newest_first()) {
        if (!read_file_bytes(path, bytes)) continue;
        length = examine_master(bytes);
        if (length.current && !length.damaged()) return path;
    }
    return {};
}

void describe(const MasterLength& m) {
    clear_screen();
    show_folder_line(0, 0);
    cprintf("\n\n\t%s が壊れています（ファイルが途中で切れています）\n\n", MASTFILE_NAME);
    if (m.whole > 0)
        cprintf("\t完全なのは 1〜%d 件目（チームＮｏ %d〜%d）です\n", m.whole, m.first_team, m.last_team);
    else
        cputs("\t完全なチームのデータはありません\n");
    if (m.cut_team >= 0)
        cprintf("\t%d 件目（チームＮｏ %d）は %d バイト中 %d バイトしかありません\n", m.whole + 1,
                m.cut_team, m.rec_len, m.rest);
    else
        cprintf("\t%d 件目は %d バイト中 %d バイトしかありません\n", m.whole + 1, m.rec_len, m.rest);
    cputs("\tこのまま使うと、そのチームと後に続くチームがなかったことになります\n");
}

// Under the replacement lock: the damaged pair aside, the copies in place; what is
// to be said comes back in said, to be shown once the lock is released. The file is
// read again first: another terminal may have put a copy back meanwhile.
bool put_back(const std::string& copy, const std::string& master_copy, const std::string& names_copy,
              bool has_names_copy, std::string& said) {
    Stream locked = mast_lock_for_replacing();
    std::string now, error;
    if (!read_stream(locked, now)) {
        said = formatted("\t%s を読めませんでした\n", MASTFILE_NAME);
        return false;
    }
    if (!examine_master(now).damaged()) {
        said = "\t他の端末で元に戻されています\n";
        return true;
    }
    std::string names;
    const bool has_names = file_exists(NAMEFILE_NAME) && read_file_bytes(NAMEFILE_NAME, names);
    bool ok = write_copy(now, MASTFILE_BAD, error) && (!has_names || write_copy(names, NAMEFILE_BAD, error)) &&
              write_copy(master_copy, MASTFILE_NAME, error);
    // Without its partner copy the name file is built again from SENSYU.TXT.
    if (ok && has_names_copy) ok = write_copy(names_copy, NAMEFILE_NAME, error);
    else if (ok && has_names) std::remove(NAMEFILE_NAME);
    platform::sync_folder_of(MASTFILE_NAME);
    if (!ok) {
        said = formatted("\t戻せませんでした（%s）\n", error.c_str());
        return false;
    }
    said = formatted("\t%s を %s に戻しました\n\t壊れていたファイルは %s", shown_path(copy).c_str(),
                       MASTFILE_NAME, MASTFILE_BAD) +
           (has_names ? formatted("、%s", NAMEFILE_BAD) : std::string()) +
           " として残してあります\n\tバックアップの時刻より後に入力したタイムは入力し直してください\n";
    return true;
}

}  // namespace

MasterLength examine_master(const std::string& bytes) {
    MasterLength m;
    if (bytes.size() < static_cast<std::size_t>(MAST_HEADER_SIZE)) return m;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    MastHeader h = decode_mast_header(p);
    if (!h.current_format() || h.rec_len <= 0) return m;
    m.current = true;
    m.rec_len = h.rec_len;
    const std::size_t body = bytes.size() - MAST_HEADER_SIZE;
    m.whole = static_cast<int>(body / static_cast<std::size_t>(h.rec_len));
    m.rest = static_cast<int>(body % static_cast<std::size_t>(h.rec_len));
    auto team_at = [&](int rec) { return get_le16(p + MAST_HEADER_SIZE + static_cast<std::size_t>(rec) * h.rec_len + MAST_TEAM_NO); };
    if (m.whole > 0) {
        m.first_team = team_at(0);
        m.last_team = team_at(m.whole - 1);
    }
    if (m.rest >= MAST_TEAM_NO + 2) m.cut_team = team_at(m.whole);
    return m;
}

bool check_master_length() {
    std::string bytes;
    if (!file_exists(MASTFILE_NAME) || !read_file_bytes(MASTFILE_NAME, bytes)) return true;
    MasterLength m = examine_master(bytes);
    if (!m.damaged()) return true;
    describe(m);

    MasterLength copy_length;
    std::string master_copy, names_copy;
    const std::string copy = newest_whole_copy(copy_length, master_copy);
    if (copy.empty()) {
        cprintf("\n\t%s フォルダに完全なバックアップがありません\n", BACKUP_FOLDER);
        cprintf("\t%s を直すまで、タイムを使う処理はできません\n", MASTFILE_NAME);
        wait_confirm();
        return false;
    }
    const bool has_names_copy = read_file_bytes(name_copy_of(copy), names_copy);
    cprintf("\n\tいちばん新しい完全なバックアップは\n\t%s（%d チーム）です\n", shown_path(copy).c_str(), copy_length.whole);
    cprintf("\t壊れたファイルを %s として残し、このバックアップを戻します\n", MASTFILE_BAD);
    const bool put_it_back = ask_yes_no("\n\t戻しますか？（Y / N）");
    cputs("\n");
    if (!put_it_back) {
        cprintf("\n\t%s を直すまで、タイムを使う処理はできません\n", MASTFILE_NAME);
        wait_confirm();
        return false;
    }
    std::string said;
    bool done = put_back(copy, master_copy, names_copy, has_names_copy, said);
    // The lock is released: the official may take his time to read.
    cputs(("\n" + said).c_str());
    wait_confirm();
    return done;
}

}  // namespace korvel
