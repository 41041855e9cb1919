// A race at the limits for the benchmarks (50 stations, 20 divisions of 20 sections,
// 500 teams, every time entered, ties and carried starts among them), written into a
// temporary working folder that the program works in while the benchmarks run.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "platform/files.h"
#include "platform/memory_console.h"
#include "shell/runtime.h"

namespace limits_race {

using namespace korvel;

constexpr int STATIONS = 50;
constexpr int DIVISIONS = 20;
constexpr int SECTIONS = 20;
constexpr int TEAMS_PER_DIVISION = 25;  // 500 teams

inline int team_number(int d, int j) { return d * 40 + j + 1; }
inline bool is_open_team(int j) { return j % 10 == 9; }
// Teams 0 and 1, 5 and 6, ... run identical sections: ties at every station.
inline int pace_of(int j) { return j % 5 == 1 ? j - 1 : j; }
// Teams 3, 10, 17, 24 get a carried start at station 10 (team 10 within a tie pair).
inline bool carried_at(int j, int k) { return k == 10 && j % 7 == 3; }

inline std::string runner_name(int d, int j, int k) {
    char buf[32];
    if (j == 0 && k == 1) return "長谷川　瑞希子太郎一";  // 20 bytes, the widest name
    std::snprintf(buf, sizeof buf, "走者%03d区%02d", team_number(d, j), k);
    return buf;
}

inline void write_text(const char* name, const std::string& text) {
    FILE* f = platform::open_file(name, "wt");
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

inline void write_definition_files() {
    std::string eki, bumon, teams, sensyu = "FS=,\n";
    char line[256];
    for (int i = 0; i < STATIONS; ++i) {
        std::snprintf(line, sizeof line, "中継所%02d %.1f\n", i, i * 2.5);
        eki += line;
    }
    for (int d = 0; d < DIVISIONS; ++d) {
        std::snprintf(line, sizeof line, "部門%02d\nMaxSpeed=30 MinSpeed=5 StartTime=%d\n", d + 1, 90000 + d * 100);
        bumon += line;
        for (int i = 0; i < STATIONS; ++i) bumon += (i >= d && i <= d + SECTIONS) ? '+' : '/';
        bumon += '\n';
        for (int j = 0; j < TEAMS_PER_DIVISION; ++j) {
            std::snprintf(line, sizeof line, "%d チーム%02d-%02d %d%s\n", team_number(d, j), d + 1, j, d + 1,
                          is_open_team(j) ? " open" : "");
            teams += line;
            sensyu += std::to_string(team_number(d, j));
            for (int k = 1; k <= SECTIONS; ++k) sensyu += "," + runner_name(d, j, k);
            sensyu += "\n";
        }
    }
    write_text("EKI.TXT", eki);
    write_text("BUMON.TXT", bumon);
    write_text("TEAM.TXT", teams);
    write_text("SENSYU.TXT", sensyu);
    write_text("OPTION.TXT", "EVENTNAME=ベンチマーク駅伝\nLISTFILE=OUT.TXT,0\nEDITOR=true\n");
}

inline void write_data_files() {
    Stream mast = fopen_retry(MASTFILE_NAME, "w+b");
    Stream names = fopen_retry(NAMEFILE_NAME, "w+b");
    mast_write_header(mast);
    name_write_header(names);
    int rec = 0;
    for (int d = 0; d < DIVISIONS; ++d) {
        for (int j = 0; j < TEAMS_PER_DIVISION; ++j, ++rec) {
            TeamRecord r;
            clear_team_record(r);
            r.team_no = static_cast<std::int16_t>(team_number(d, j));
            r.division = static_cast<std::uint8_t>(d);
            r.open_flag = is_open_team(j) ? '1' : '0';
            char name[32];
            std::snprintf(name, sizeof name, "チーム%02d-%02d", d + 1, j);
            r.set_name(name);
            int clock = 9 * 3600 + d * 60;
            seconds_to_time(r.blocks[0].departure, clock);
            r.blocks[0].arrival = r.blocks[0].departure;
            for (int k = 1; k <= SECTIONS; ++k) {
                // 2.5 km in 8 to 12 minutes.
                clock += 480 + (pace_of(j) * 37 + k * 11) % 240;
                StationBlock& b = r.blocks[k];
                seconds_to_time(b.arrival, clock);
                if (carried_at(j, k)) clock -= 60;
                seconds_to_time(b.departure, clock);
                b.input_seq = static_cast<std::int16_t>(k * 500 + rec + 1);
            }
            mast_write(mast, rec, r);

            RunnerNameRecord n;
            clear_name_record(n);
            n.team_no = r.team_no;
            for (int k = 1; k <= SECTIONS; ++k) n.set_runner(k, runner_name(d, j, k).c_str());
            name_write(names, rec, n);
        }
    }
    fclose_or_abort(names);
    fclose_or_abort(mast);
}

// The race written into a fresh temporary folder, which becomes the working folder
// until the object goes; the master file as entered is also kept as MASTFILE.ENTERED.
class Folder {
public:
    Folder() : previous_(std::filesystem::current_path()) {
        char folder[] = "/tmp/korvel_bench_XXXXXX";
        if (!mkdtemp(folder)) std::exit(1);
        folder_ = folder;
        std::filesystem::current_path(folder_);
        // Any warning would wait for a key: with none scripted the run stops, as it
        // should for a generator that produced implausible times.
        platform::set_console(std::make_unique<platform::MemoryConsole>(80, 60));
        write_definition_files();
        kihon_data();
        write_data_files();
        std::filesystem::copy_file(MASTFILE_NAME, "MASTFILE.ENTERED");
    }
    ~Folder() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

private:
    std::filesystem::path previous_;
    std::string folder_;
};

// The bytes of the files in a folder of the working folder (the size of a site).
inline std::uintmax_t folder_bytes(const char* folder) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) total += entry.file_size();
    return total;
}

// main() of a benchmark program over this race.
inline int run_benchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Folder race;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace limits_race
