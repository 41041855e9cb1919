// The race folder as several copies of the program share it: what every copy checks
// before it reads or writes MASTFILE.DAT at record offsets, and the one lock under
// which MASTFILE.DAT and NAMEFILE.DAT are built.
#pragma once

namespace korvel {

// The 7 header bytes of MASTFILE.DAT state the layout of the event this copy has
// loaded (version, section count, record length). True when no event is loaded:
// the record operations refuse to work without one anyway.
bool header_fits_event(const unsigned char* header);
// An open found another layout: another terminal rebuilt the data for a changed
// course. Nothing is read or written at the stale offsets; the work is abandoned with
// one line for the main menu, whose stale check offers what the files call for.
[[noreturn]] void leave_for_rebuilt_data();

// The folder-wide build lock: held by the copy that rebuilds MASTFILE.DAT or
// NAMEFILE.DAT (or converts or initialises them), from the first read of the
// definition files to the last rename, so that two copies never build at once and a
// waiting copy finds the finished result. Holds nest within one copy. Where the
// folder refuses locks the copy works as a single one would: held() is true.
class BuildLock {
public:
    enum Mode {
        if_free,  // not taken when another copy builds: held() false
        waiting,  // waits with the wait line; Esc returns to the main menu
    };
    explicit BuildLock(Mode mode);
    ~BuildLock();
    BuildLock(const BuildLock&) = delete;
    BuildLock& operator=(const BuildLock&) = delete;
    bool held() const { return held_; }

private:
    bool held_ = false;
};

// Waits until no other copy builds (a menu entry that reads the data must not start
// on a file about to be replaced); Esc returns to the main menu.
void wait_for_rebuild_elsewhere();

}  // namespace korvel
