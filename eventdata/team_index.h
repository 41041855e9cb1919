// Master file index: team number -> record number, built from MASTFILE.DAT.
#pragma once

namespace korvel {

class TeamIndex {
public:
    TeamIndex();
    void set();
    // Record number of a team 1-999, -1 when it has none, -9 outside 1-999.
    int record_of(int team) const;
    void clear();
    void put(int team, int record);

private:
    int slots_[1000];
};
extern TeamIndex team_index;

}  // namespace korvel
