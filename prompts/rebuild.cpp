#include "prompts/rebuild.h"

#include "eventdata/division_counts.h"
#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "eventdata/mastfile.h"
#include "eventdata/start_time_store.h"
#include "platform/console.h"
#include "platform/files.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

constexpr const char* EKI_FILE = "EKI.TXT";
constexpr const char* BUMON_FILE = "BUMON.TXT";
constexpr const char* TEAM_FILE = "TEAM.TXT";

// What a refused replacement leaves: MASTFILE.DAT as it was, and why.
void show_refusal(const BuildInstall& installed) {
    switch (*installed.refused) {
    case BuildRefusal::no_backup:
        cprintf("\n\tバックアップを作れないため %s は変更しませんでした\n\t%s\n", MASTFILE_NAME,
                installed.reason.c_str());
        break;
    case BuildRefusal::journal:
        cprintf("\t%s\n\t%s はそのままです\n", installed.reason.c_str(), MASTFILE_NAME);
        break;
    case BuildRefusal::master_replaced:
        // Nothing is lost as long as MASTFILE.DAT stays.
        cprintf("\t%s が変わったため引き継げませんでした。%s はそのままです\n", MASTFILE_NAME, MASTFILE_NAME);
        break;
    }
    menu_return_prompt();
}

}  // namespace

bool build_master_file(BuildAsked asked) {
    SourceStamps sources = take_source_stamps({EKI_FILE, BUMON_FILE, TEAM_FILE});
    clear_screen();
    cputs("\n\n\t");
    if (asked == BuildAsked::on_demand) {
        cprintf("%s, %s, %s から\n", EKI_FILE, BUMON_FILE, TEAM_FILE);
        cprintf("\t%s を作り直します\n", MASTFILE_NAME);
        if (!ask_yes_no("\t実行しますか？（Y / N）")) return false;
    } else {
        cprintf("%s, %s, %s のどれかが\n", EKI_FILE, BUMON_FILE, TEAM_FILE);
        cprintf("\t%s より新しくなっていますので\n", MASTFILE_NAME);
        cprintf("\t%s を作り直します\n", MASTFILE_NAME);
        platform::console().refresh();
        platform::sleep_ms(1000);
    }
    cputs("\n\t作成中・・・\n");
    MasterBuild build(sources);
    cputs(build.shortened_names());
    print_counts(nullptr, build.team_counts());

    if (file_exists(MASTFILE_NAME)) {
        cputs("\n");
        const bool carry = ask_yes_no("\t旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）");
        cputs("\n");
        if (!carry || !build.carry_over()) {
            if (carry) cputs("引き継げませんでした\n");
            // A carry-over that failed would lose the entered times just as a refused
            // one: the same question, and N keeps MASTFILE.DAT.
            if (!ask_yes_no("\n\tタイムデータがすべて初期化されます\n\t実行しますか？（Y / N）")) return false;
        }
        cputs("\n");
    }

    // Every question is answered before the step that takes the lock of MASTFILE.DAT.
    const BuildInstall installed = build.install();
    if (installed.refused) {
        show_refusal(installed);
        return false;
    }
    if (installed.times_taken_again)
        cprintf("\t置き換える直前のデータから %d 件のタイムを引き継ぎました\n", *installed.times_taken_again);
    if (build.initialised()) {
        confirm_start_times();
        cputs("\n\n");
        build.start_times_registered();
    } else if (int added = build.start_added_teams(); added > 0) {
        // Teams added to TEAM.TXT would otherwise have no start and no times at all.
        cprintf("\t%d チームにスタート時刻を登録しました\n", added);
    }

    kihon_data();
    cprintf("\t%s を作り直しました\n", MASTFILE_NAME);
    if (build_name_file()) cprintf("\t%s を作り直しました\n", NAMEFILE_NAME);
    menu_return_prompt();
    return true;
}

bool build_master_file_when_stale(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast) {
    if (!offer_stale_rebuild(eki, bumon, team, mast)) return false;
    stale_rebuild_answered(build_master_file(BuildAsked::when_stale));
    // Built or declined, the build screen has replaced the menu: the caller redraws.
    return true;
}

}  // namespace korvel
