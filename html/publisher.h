// The publisher (korvel32 --publish [SECONDS]): started in a race folder beside the
// entry terminals, it keeps the result sites current by itself. It publishes once at
// start and then after every change of the data files, at most once every SECONDS:
// the ranking computation (under the whole-file lock, as every results entry) and the
// sites of results entry 6 (html, html_keitai, live), each swapped in whole. After
// each publication the PUBLISHCMD hook runs (an upload), never twice at once.
//
// On a terminal it shows a small status screen; otherwise (a service, a pipe) one
// UTF-8 line per event. q or Ctrl-C (SIGINT, SIGTERM, SIGHUP) ends it in order.
#pragma once

#include <string>
#include <vector>

namespace korvel {

constexpr int PUBLISH_DEFAULT_SECONDS = 10;

// Runs until asked to stop; returns the exit status.
int run_publisher(int seconds);

// The hook's argument list from the PUBLISHCMD value (CP932): the words split on
// blanks, each as the system takes it (UTF-8), "{dir}" replaced by folder.
std::vector<std::string> publish_command(const std::string& option_value, const std::string& folder);

}  // namespace korvel
