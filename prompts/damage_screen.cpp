#include "prompts/damage_screen.h"

#include <optional>
#include <string>

#include "eventdata/backup.h"
#include "eventdata/master_damage.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

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

std::string put_back_text(const WholeCopy& copy, const PutBackResult& done) {
    switch (done.outcome) {
    case PutBack::unreadable: return formatted("\t%s を読めませんでした\n", MASTFILE_NAME);
    case PutBack::already_whole: return "\t他の端末で元に戻されています\n";
    case PutBack::failed: return formatted("\t戻せませんでした（%s）\n", done.error.c_str());
    case PutBack::put_back: break;
    }
    return formatted("\t%s を %s に戻しました\n\t壊れていたファイルは %s", shown_path(copy.path).c_str(),
                     MASTFILE_NAME, MASTFILE_BAD) +
           (done.names_aside ? formatted("、%s", NAMEFILE_BAD) : std::string()) +
           " として残してあります\n\tバックアップの時刻より後に入力したタイムは入力し直してください\n";
}

}  // namespace

bool check_master_length() {
    const std::optional<MasterLength> m = damaged_master();
    if (!m) return true;
    describe(*m);

    const std::optional<WholeCopy> copy = newest_whole_copy();
    if (!copy) {
        cprintf("\n\t%s フォルダに完全なバックアップがありません\n", BACKUP_FOLDER);
        cprintf("\t%s を直すまで、タイムを使う処理はできません\n", MASTFILE_NAME);
        wait_confirm();
        return false;
    }
    cprintf("\n\tいちばん新しい完全なバックアップは\n\t%s（%d チーム）です\n", shown_path(copy->path).c_str(), copy->length.whole);
    cprintf("\t壊れたファイルを %s として残し、このバックアップを戻します\n", MASTFILE_BAD);
    const bool put_it_back = ask_yes_no("\n\t戻しますか？（Y / N）");
    cputs("\n");
    if (!put_it_back) {
        cprintf("\n\t%s を直すまで、タイムを使う処理はできません\n", MASTFILE_NAME);
        wait_confirm();
        return false;
    }
    const PutBackResult done = put_back_copy(*copy);
    // The lock is released: the official may take his time to read.
    cputs(("\n" + put_back_text(*copy, done)).c_str());
    wait_confirm();
    return done.whole();
}

}  // namespace korvel
