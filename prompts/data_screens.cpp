#include "prompts/data_screens.h"

#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

constexpr const char* CONFIRM_PROMPT = "上のメッセージを確認したら Y を入力";

void show(const DataMessage& m) {
    if (m.alarm) beep();
    cputs(m.text);
}

// The count and the list on the screen (nothing when there is none).
void show_import_conflicts(const std::vector<ImportConflict>& conflicts) {
    if (conflicts.empty()) return;
    beep();
    set_color(12);
    cprintf("取り込み元と食い違うタイムが %d 件あります（この記録のままです）\n",
            static_cast<int>(conflicts.size()));
    set_color(15);
    // Two rows a block: 80 columns hold no more without cutting a name.
    for (const ImportConflict& c : conflicts) {
        cprintf("%3d %-*s %s\n", c.team_no, CONFLICT_NAME_COLUMNS, c.name, import_conflict_station(c).c_str());
        cprintf("     この記録 %s %s ／ 取り込み元 %s %s\n", time_text(c.here_arrival).c_str(),
                time_text(c.here_departure).c_str(), time_text(c.other_arrival).c_str(),
                time_text(c.other_departure).c_str());
    }
}

class Screens : public DataQuestions {
public:
    bool convert_old_master_file() override {
        cprintf("\n%s が古いバージョンのフォーマットです\n", MASTFILE_NAME);
        return ask_yes_no("変換しますか？（Y / N）");
    }

    bool convert_old_name_file() override {
        clear_screen();
        show_folder_line(0, 0);
        set_cursor(3, 0);
        cprintf("%s のフォーマットが古いので、新しいフォーマットに変換します。\n", NAMEFILE_NAME);
        return ask_yes_no("よろしいですか？（Y / N）");
    }

    void name_file_converted(bool rebuilt) override {
        if (rebuilt) cprintf("\n\t%s を作り直しました(1)\n\n", NAMEFILE_NAME);
        menu_return_prompt();
    }

    AfterFix fix_file(const char* name, const std::string& problem) override {
        cputs(problem);
        open_in_editor(name);
        cprintf("\n%s を修正してください\n", name);
        return ask_key("修正後続行→0　中止→1　", "01") == '1' ? AfterFix::stop : AfterFix::go_on;
    }

    void station_maps(const std::string& listing) override {
        cputs(listing);
        read_key();
    }

    void merge_notes(const DataMessage& notes) override { show(notes); }

    void import_refused(const DataMessage& why) override {
        show(why);
        cputs("取り込み処理は行いませんでした。\n");
        ask_key(CONFIRM_PROMPT, "Yy");
    }

    void import_done(const DataMessage& notes, int taken, const std::vector<ImportConflict>& conflicts) override {
        show(notes);
        cprintf("%d 件のタイムを取り込みました\n", taken);
        show_import_conflicts(conflicts);
        ask_key(CONFIRM_PROMPT, "Yy");
    }
};

}  // namespace

DataQuestions& data_screens() {
    static Screens screens;
    return screens;
}

}  // namespace korvel
