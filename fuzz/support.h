// What every fuzz harness shares: a private working folder, the in-memory console
// with keys that answer every question, the exit handler that throws, and a small
// race to read the fuzzed file against. A harness is a function
// `int fuzz_<name>(const uint8_t*, size_t)`; libfuzzer_main.cpp and replay_main.cpp
// turn it into the fuzzer and into the corpus replay of the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace korvel_fuzz {

// Once per process: the working folder (in memory when /dev/shm exists, so that
// the flushes of the data files cost nothing), no graphical session and no program
// that could be started (an editor or a pager would only slow the fuzzer down).
void init();

// A new console whose keys answer the questions (Y, 0) for a while, then run out.
void fresh_console();

void put_file(const char* name, const std::uint8_t* data, std::size_t size);
void put_file(const char* name, const std::string& bytes);
std::string get_file(const char* name);
void remove(const char* name);

// The small race: EKI.TXT, BUMON.TXT, TEAM.TXT, SENSYU.TXT, OPTION.TXT.
void put_event_files();
// The race loaded and MASTFILE.DAT and NAMEFILE.DAT built from it; done once.
void build_race();
// The MASTFILE.DAT that build_race made.
const std::string& built_master();

// Runs work; the ways out a reader may take on bad data (back to the main menu,
// the orderly stop, a key script that ran out) end it quietly. Streams left open
// are closed afterwards.
void guarded(const std::function<void()>& work);

}  // namespace korvel_fuzz
