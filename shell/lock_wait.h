// What a terminal shows while it waits for another copy of the program in the same
// folder, and the way out of such a wait. The locks themselves know nothing of the
// screen: they call the hooks installed here.
#pragma once

#include <string>

namespace korvel {

// One line below the rows the screens use, for what concerns the folder (another
// copy holds the data, a backup failed); empty text clears it. The cursor stays.
void show_folder_notice(const char* text);

// The line shown during a lock wait of more than a second, naming what is waited
// for; taken away when the wait ends. Installed at the first lock; a test may
// replace it.
void install_lock_wait_line();
// Esc during such a wait leaves it (the lock is not taken; the caller returns to the
// main menu, releasing what it holds). Other keys beep. Installed at start-up only:
// tests script their keys for the screens, not for waits.
void install_lock_wait_escape();

// What the locks taken while it lives wait for, as the start of the wait line
// ("他の端末が大会データを作り直しています").
class LockWaitSubject {
public:
    explicit LockWaitSubject(const char* subject);
    ~LockWaitSubject();
    LockWaitSubject(const LockWaitSubject&) = delete;
    LockWaitSubject& operator=(const LockWaitSubject&) = delete;

private:
    const char* previous_;
};

// A line for the main menu to show below its entries when it is drawn next (the
// work was abandoned because of another copy); taken clears it.
void keep_for_main_menu(const std::string& line);
std::string take_main_menu_notice();

// A lock error: said once in plain words; the copy then works as a single copy
// would (locks off for the rest of the run).
void say_locks_given_up(int err);

}  // namespace korvel
