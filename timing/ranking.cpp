#include "timing/ranking.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "eventdata/mast_lock.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/output.h"
#include "timing/consistency.h"

namespace korvel {

namespace {

constexpr int NO_RANK_KEY = 0x7fff;
constexpr int PARTLY_TIMED_KEY = 0x7ffffffe;  // no cumulative time, but some section time
constexpr int UNTIMED_KEY = 0x7fffffff;
// The greatest cumulative time a RaceTime can hold.
constexpr int MAX_DURATION = 99 * 3600 + 59 * 60 + 59;

bool is_open(const TeamRecord& r) { return r.open_flag == '1'; }

bool same_bytes(const TeamRecord& a, const TeamRecord& b) {
    unsigned char x[mastrec_size(MAX_KUKAN)], y[mastrec_size(MAX_KUKAN)];
    encode_team_record(a, x, definition().max_sections());
    encode_team_record(b, y, definition().max_sections());
    return std::memcmp(x, y, std::min<std::size_t>(sizeof x, static_cast<std::size_t>(definition().master_record_size()))) == 0;
}

int read_int_option(const char* key, int absent) {
    std::string value;
    return get_option(key, value) ? option_int(value) : absent;
}

// A. Section times from the entered clock times; cumulative times while every section
// so far is valid.
void compute_times(TeamRecord& r) {
    int n = division_sections(r.division);
    bool complete = true;
    int total = 0;
    for (int k = 1; k <= n; ++k) {
        StationBlock& b = r.blocks[k];
        const RaceTime from = r.blocks[k - 1].departure;
        RaceTime t;
        time_clear(t);
        // A missing clock time on either side leaves the section without a time, even
        // where the subtraction would happen to fall in range (a departure past 28:00).
        if (time_is_valid(from) && time_is_valid(b.arrival)) {
            time_sub(t, b.arrival, from);
            if (!time_is_set(t)) time_clear(t);
        }
        b.section_time = t;
        if (!time_is_set(t)) complete = false;
        total += time_to_seconds(t);
        // A sum past 99:59'59 cannot be held; it would wrap into a plausible time.
        if (total > MAX_DURATION) complete = false;
        if (complete) {
            seconds_to_time(b.cumul_time, total);
        } else {
            time_clear(b.cumul_time);
        }
    }
}

// Gives each eligible entry 1 + the number of eligible entries of its division with a
// strictly smaller key: equal keys share a rank and the next is skipped (1, 2, 2, 4).
struct RankEntry {
    int division;
    int key;
    int index;
};
void assign_ranks(std::vector<RankEntry>& entries, std::vector<int>& ranks) {
    std::sort(entries.begin(), entries.end(), [](const RankEntry& a, const RankEntry& b) {
        return std::tie(a.division, a.key) < std::tie(b.division, b.key);
    });
    std::size_t first_of_division = 0;
    std::size_t first_of_key = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || entries[i].division != entries[i - 1].division) {
            first_of_division = first_of_key = i;
        } else if (entries[i].key != entries[i - 1].key) {
            first_of_key = i;
        }
        ranks[entries[i].index] = static_cast<int>(first_of_key - first_of_division) + 1;
    }
}

// B. Section and cumulative ranks of every block 1..max_kukan under RULE_KUKAN_KIKEN:
// 1 ranks every valid time, 2 stops ranking a team after its first missing
// cumulative time, 3 ranks only teams that finished.
void compute_ranks(std::vector<TeamRecord>& records) {
    const int rule = read_int_option("RULE_KUKAN_KIKEN", 1);
    const int count = static_cast<int>(records.size());
    std::vector<RankEntry> section_entries, cumul_entries;
    std::vector<int> section_ranks(records.size()), cumul_ranks(records.size());
    for (int k = 1; k <= std::min(definition().max_sections(), MAX_KUKAN); ++k) {
        section_entries.clear();
        cumul_entries.clear();
        std::fill(section_ranks.begin(), section_ranks.end(), 0);
        std::fill(cumul_ranks.begin(), cumul_ranks.end(), 0);
        for (int i = 0; i < count; ++i) {
            const TeamRecord& r = records[i];
            const int n = division_sections(r.division);
            if (k > n || is_open(r)) continue;
            const StationBlock& b = r.blocks[k];
            if (rule == 2 && !time_is_set(b.cumul_time)) continue;
            if (rule == 3 && !time_is_set(r.blocks[n].cumul_time)) continue;
            if (time_is_set(b.section_time))
                section_entries.push_back({r.division, time_to_seconds(b.section_time), i});
            if (time_is_set(b.cumul_time))
                cumul_entries.push_back({r.division, time_to_seconds(b.cumul_time), i});
        }
        assign_ranks(section_entries, section_ranks);
        assign_ranks(cumul_entries, cumul_ranks);
        for (int i = 0; i < count; ++i) {
            records[i].blocks[k].section_rank = static_cast<std::int16_t>(section_ranks[i]);
            records[i].blocks[k].cumul_rank = static_cast<std::int16_t>(cumul_ranks[i]);
        }
    }
}

// C. Teams of a division that reach a station on the same cumulative time are ranked
// in the order their arrivals were typed, unless one of them had a carried start
// before it or has no sequence number: then they share the rank.
void break_ties(std::vector<TeamRecord>& records) {
    for (int s = 1; s < definition().station_count(); ++s) {
        std::vector<TieItem> items = collect_tie_items(records, s);
        std::size_t begin = 0;
        while (begin < items.size()) {
            std::size_t end = begin + 1;
            while (end < items.size() && items[end].division == items[begin].division &&
                   items[end].cumul_key == items[begin].cumul_key)
                ++end;
            bool separable = end - begin >= 2;
            for (std::size_t i = begin; separable && i < end; ++i)
                if (items[i].carried_from != 0 || items[i].input_seq == 0) separable = false;
            if (separable) {
                // Only ranked members take places: an open team typed first must not
                // push the ranked ones down past the next rank.
                int place = 0;
                for (std::size_t i = begin; i < end; ++i) {
                    StationBlock& b = records[items[i].record].blocks[items[i].logical];
                    if (b.cumul_rank < 1) continue;
                    b.cumul_rank = static_cast<std::int16_t>(b.cumul_rank + place);
                    if (items[i].logical == 1) b.section_rank = static_cast<std::int16_t>(b.section_rank + place);
                    ++place;
                }
            }
            begin = end;
        }
    }
}

// D. The listing order.
struct OrderItem {
    int division;
    int time_key;
    int rank;
    int team_no;
    int open_flag;
    int record;
};


OrderItem order_item(const TeamRecord& r, int record, int b) {
    OrderItem item{r.division, UNTIMED_KEY, NO_RANK_KEY, r.team_no, static_cast<signed char>(r.open_flag), record};
    if (b < 0 || b > MAX_KUKAN) return item;
    const StationBlock& block = r.blocks[b];
    if (block.cumul_rank > 0) item.rank = block.cumul_rank;
    item.time_key = time_to_seconds(block.cumul_time);
    if (item.time_key == 0) {
        item.time_key = UNTIMED_KEY;
        for (int k = 1; k <= b; ++k)
            if (time_is_set(r.blocks[k].section_time)) item.time_key = PARTLY_TIMED_KEY;
    }
    return item;
}

ListingOrder build_print_order(const std::vector<TeamRecord>& records, int station) {
    const int position = read_int_option("OPEN_TEAM_OUTPUT_POSITION", 1);
    int furthest[MAX_BUMON + 1];
    if (station == AT_GOAL) furthest_stations(records, furthest);

    std::vector<OrderItem> items;
    items.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TeamRecord& r = records[i];
        int b = -1;
        if (station == AT_GOAL) {
            if (r.division <= MAX_BUMON) b = furthest[r.division];
        } else {
            b = logical_station(r.division, station);
        }
        items.push_back(order_item(r, static_cast<int>(i), b));
    }

    auto by_time = [](const OrderItem& a, const OrderItem& b) {
        return std::tie(a.division, a.time_key, a.rank, a.team_no, a.record) <
               std::tie(b.division, b.time_key, b.rank, b.team_no, b.record);
    };
    auto ranked_first = [](const OrderItem& a, const OrderItem& b) {
        return std::tie(a.division, a.rank, a.time_key, a.open_flag, a.team_no, a.record) <
               std::tie(b.division, b.rank, b.time_key, b.open_flag, b.team_no, b.record);
    };
    auto open_last = [](const OrderItem& a, const OrderItem& b) {
        return std::tie(a.division, a.open_flag, a.time_key, a.rank, a.team_no, a.record) <
               std::tie(b.division, b.open_flag, b.time_key, b.rank, b.team_no, b.record);
    };
    if (position == 2) {
        std::sort(items.begin(), items.end(), ranked_first);
    } else if (position == 3) {
        std::sort(items.begin(), items.end(), open_last);
    } else {
        std::sort(items.begin(), items.end(), by_time);
    }

    ListingOrder order;
    int current = -1;
    int p = 0;
    for (const OrderItem& item : items) {
        if (item.division > MAX_BUMON) {
            cprintf("\n部門No=%d不正 in %s make_print_jun()\n", item.division, ".\\KRVKESN3");
            fatal_stop();
        }
        order.records[p] = item.record;
        while (current < item.division) order.division_start[++current] = p;
        ++p;
    }
    order.division_start[++current] = p;
    return order;
}

}  // namespace

std::vector<TeamRecord> read_all_records() {
    std::vector<TeamRecord> records;
    Stream f = mast_open("rb");
    TeamRecord r;
    while (static_cast<int>(records.size()) < MAX_TEAMS && mast_read_next(f, r)) records.push_back(r);
    fclose_or_abort(f);
    return records;
}

void furthest_stations(const std::vector<TeamRecord>& records, int* furthest) {
    std::fill(furthest, furthest + MAX_BUMON + 1, -1);
    for (const TeamRecord& r : records) {
        if (r.division >= definition().division_count() || r.division >= MAX_BUMON) continue;
        for (int k = division_sections(r.division); k > furthest[r.division]; --k) {
            if (!time_is_none(r.blocks[k].arrival)) {
                furthest[r.division] = k;
                break;
            }
        }
    }
}

std::vector<TieItem> collect_tie_items(const std::vector<TeamRecord>& records, int s) {
    std::vector<TieItem> items;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TeamRecord& r = records[i];
        const int b = logical_station(r.division, s);
        if (b < 1 || b > division_sections(r.division)) continue;
        if (!time_is_set(r.blocks[b].cumul_time)) continue;
        int carried = 0;
        for (int j = 1; j < b && carried == 0; ++j)
            if (time_differs(r.blocks[j].departure, r.blocks[j].arrival)) carried = physical_station(r.division, j);
        items.push_back({r.division, r.team_no, time_to_seconds(r.blocks[b].cumul_time),
                         static_cast<std::uint16_t>(r.blocks[b].input_seq), carried, b, static_cast<int>(i)});
    }
    std::sort(items.begin(), items.end(), [](const TieItem& a, const TieItem& b) {
        return std::tie(a.division, a.cumul_key, a.input_seq, a.team_no, a.record) <
               std::tie(b.division, b.cumul_key, b.input_seq, b.team_no, b.record);
    });
    return items;
}

void compute_times_and_ranks(std::vector<TeamRecord>& records) {
    for (TeamRecord& rec : records) compute_times(rec);
    compute_ranks(records);
    break_ties(records);
}

bool recompute_results(bool ask_destination, bool ask_separator) {
    if (ask_destination && !confirm_output_destination(ask_separator)) return false;
    check_time_order();
    speed_check();
    recompute_without_warnings();
    return true;
}

void recompute_without_warnings() {
    // From the first read to the last write no other copy may store an entry: it
    // would be overwritten with the record as it was read here.
    Stream f = mast_lock_file();
    std::vector<TeamRecord> records;
    TeamRecord r;
    while (static_cast<int>(records.size()) < MAX_TEAMS && mast_read_next(f, r)) records.push_back(r);
    const std::vector<TeamRecord> before = records;
    compute_times_and_ranks(records);
    // Most records come out as they were when nothing was entered since the last
    // report: only the others are written.
    bool written = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (same_bytes(records[i], before[i])) continue;
        mast_write(f, static_cast<int>(i), records[i]);
        written = true;
    }
    if (written) mast_sync(f, "recompute_results");
    fclose_or_abort(f);
}

ListingOrder listing_order_of(const std::vector<TeamRecord>& records, int station) {
    return build_print_order(records, station);
}

ListingOrder::ListingOrder() {
    records.fill(-1);
    division_start.fill(-1);
}

int ListingOrder::first(int division) const {
    if (division < 0 || division + 1 >= BUMON_START_SIZE) return 0;
    return division_start[division] < 0 ? 0 : division_start[division];
}

int ListingOrder::end(int division) const {
    if (division < 0 || division + 1 >= BUMON_START_SIZE || division_start[division] < 0) return 0;
    return std::min(std::max(division_start[division + 1], 0), MAX_TEAMS);
}

std::vector<int> ListingOrder::of_division(int division) const {
    std::vector<int> order;
    for (int p = first(division); p < end(division); ++p)
        if (records[p] >= 0) order.push_back(records[p]);
    return order;
}

}  // namespace korvel
