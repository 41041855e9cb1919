#include "fuzz/support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "prompts/rebuild.h"
#include "eventdata/start_time_store.h"
#include "platform/console.h"
#include "platform/memory_console.h"
#include "prompts/data_screens.h"
#include "prompts/start_time.h"
#include "shell/runtime.h"

namespace korvel_fuzz {

namespace {

std::string folder;

const char* const EKI =
    "スタート 0 NICKNAME=市役所 URL=http://example.com/s\r\n"
    "一中 5.5\r\n"
    "二中 10.25 NICKNAME=二中継所\r\n"
    "三中 15\r\n"
    "ゴール 21.1\r\n";
const char* const BUMON =
    "一般の部\r\nMaxSpeed=26 MinSpeed=9 StartTime=90000\r\n+++++\r\n"
    "女子の部\r\nMaxSpeed=22 MinSpeed=7.5 StartTime=93000\r\n+/+/+\r\n";
const char* const TEAM =
    "1 Ａ高校 1\r\n2 Ｂクラブ 1 open\r\n7 Ｃ走友会 1\r\n12 Ｄ女子 2\r\n";
const char* const SENSYU =
    "1 一郎 二郎 三郎 四郎\r\n2 甲 乙 丙 丁\r\n7 Ａ Ｂ Ｃ Ｄ\r\n12 花子 桜子\r\n";
const char* const OPTION = "EVENTNAME=ファズ駅伝\r\n";

std::string master_bytes;

void remove_folder() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
}

}  // namespace

void init() {
    if (!folder.empty()) return;
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string templ = base + "/korvel_fuzz_XXXXXX";
    if (!mkdtemp(templ.data())) std::abort();
    folder = templ;
    std::filesystem::current_path(folder);
    std::atexit(remove_folder);
    // Nothing to start: no editor, pager or desktop can be found.
    std::filesystem::create_directory("no_programs");
    setenv("PATH", (folder + "/no_programs").c_str(), 1);
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "VISUAL", "EDITOR", "PAGER", "COMSPEC"}) unsetenv(v);
    // As at start-up: a race built from scratch asks for its start times.
    korvel::set_start_time_confirmation(korvel::register_start_times);
    korvel::set_data_questions(&korvel::data_screens());
    fresh_console();
}

void fresh_console() {
    auto c = std::make_unique<platform::MemoryConsole>(80, 60);
    for (int i = 0; i < 40; ++i) c->type("y0");
    platform::set_console(std::move(c));
}

void put_file(const char* name, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void put_file(const char* name, const std::string& bytes) {
    put_file(name, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string get_file(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void remove(const char* name) {
    std::error_code ec;
    std::filesystem::remove(name, ec);
}

void put_event_files() {
    put_file("EKI.TXT", EKI);
    put_file("BUMON.TXT", BUMON);
    put_file("TEAM.TXT", TEAM);
    put_file("SENSYU.TXT", SENSYU);
    put_file("OPTION.TXT", OPTION);
}

void build_race() {
    init();
    if (!master_bytes.empty()) return;
    put_event_files();
    remove("MASTFILE.DAT");
    remove("NAMEFILE.DAT");
    guarded([] { korvel::build_master_file(korvel::BuildAsked::on_demand); });
    master_bytes = get_file("MASTFILE.DAT");
    if (master_bytes.empty()) std::abort();  // the fixed race must build
}

const std::string& built_master() { return master_bytes; }

void guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const korvel::MainMenuReturn&) {
    } catch (const korvel::ProgramExit&) {
    } catch (const platform::ScriptExhausted&) {
    }
    korvel::stream_check(false);
}

}  // namespace korvel_fuzz
