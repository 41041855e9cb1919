#include "prompts/recovery_screen.h"

#include <string>

#include "eventdata/backup.h"
#include "eventdata/journal_recovery.h"
#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"

namespace korvel {

void recover_from_journal() {
    clear_screen();
    show_folder_line(0, 2);
    cprintf("\n\n\t%s とテキストファイルからタイムデータを復元します\n\n", JOURNAL_NAME);
    kihon_data();
    if (!file_exists(JOURNAL_NAME)) {
        cprintf("\t%s がありません\n", JOURNAL_NAME);
        menu_return_prompt();
        return;
    }
    const RecoveryPlan plan = plan_recovery(read_journal());
    cprintf("\t最後の初期化の後の入力履歴 %d 行から、%d チームの %d 件を復元します\n", plan.lines, plan.teams,
            plan.entries);
    for (const std::string& text : plan.missing) cprintf("\t%s\n", text.c_str());
    for (const auto& [line_no, text] : plan.unreadable) cprintf("\t%d 行目は読めません: %s\n", line_no, text.c_str());
    cprintf("\t今の %s は %s に保存してから置き換えます\n", MASTFILE_NAME, BACKUP_FOLDER);
    const bool go = ask_yes_no("\t実行しますか？（Y / N）");
    cputs("\n");
    if (!go) return;

    const RecoveryResult done = recover_master_from_journal();
    if (done.outcome != Recovery::recovered) {
        const std::string refusal = done.outcome == Recovery::backup_refused
                                        ? "バックアップを作れないため復元しません（" + done.reason + "）"
                                        : done.reason;
        cprintf("\t%s\n", refusal.c_str());
        menu_return_prompt();
        return;
    }
    cprintf("\t%s を復元しました（%d 件）\n", MASTFILE_NAME, done.entries);
    if (build_name_file()) cprintf("\t%s を作り直しました\n", NAMEFILE_NAME);
    menu_return_prompt();
}

}  // namespace korvel
