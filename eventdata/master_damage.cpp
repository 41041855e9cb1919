#include "eventdata/master_damage.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "eventdata/record_layout.h"
#include "platform/files.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

bool read_stream(FILE* f, std::string& out) {
    out.clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return !std::ferror(f);
}

bool read_file_bytes(const std::string& name, std::string& out) {
    FILE* f = std::fopen(platform::disk_name(name).c_str(), "rb");
    if (!f) return false;
    bool ok = read_stream(f, out);
    std::fclose(f);
    return ok;
}

}  // namespace

MasterLength examine_master(const std::string& bytes) {
    MasterLength m;
    if (bytes.size() < static_cast<std::size_t>(MAST_HEADER_SIZE)) return m;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    MastHeader h = decode_mast_header(p);
    if (!h.current_format() || h.rec_len <= 0) return m;
    m.current = true;
    m.rec_len = h.rec_len;
    const std::size_t body = bytes.size() - MAST_HEADER_SIZE;
    m.whole = static_cast<int>(body / static_cast<std::size_t>(h.rec_len));
    m.rest = static_cast<int>(body % static_cast<std::size_t>(h.rec_len));
    auto team_at = [&](int rec) { return get_le16(p + MAST_HEADER_SIZE + static_cast<std::size_t>(rec) * h.rec_len + MAST_TEAM_NO); };
    if (m.whole > 0) {
        m.first_team = team_at(0);
        m.last_team = team_at(m.whole - 1);
    }
    if (m.rest >= MAST_TEAM_NO + 2) m.cut_team = team_at(m.whole);
    return m;
}

std::optional<MasterLength> damaged_master() {
    std::string bytes;
    if (!file_exists(MASTFILE_NAME) || !read_file_bytes(MASTFILE_NAME, bytes)) return std::nullopt;
    MasterLength m = examine_master(bytes);
    if (!m.damaged()) return std::nullopt;
    return m;
}

std::optional<WholeCopy> newest_whole_copy() {
    WholeCopy copy;
    for (const std::string& path : master_copies_newest_first()) {
        if (!read_file_bytes(path, copy.master)) continue;
        copy.length = examine_master(copy.master);
        if (!copy.length.current || copy.length.damaged()) continue;
        copy.path = path;
        std::string names;
        if (read_file_bytes(name_copy_of(path), names)) copy.names = std::move(names);
        return copy;
    }
    return std::nullopt;
}

// The file is read again under the lock: another terminal may have put a copy back
// meanwhile.
PutBackResult put_back_copy(const WholeCopy& copy) {
    PutBackResult result;
    Stream locked = mast_lock_for_replacing();
    std::string now;
    if (!read_stream(locked, now)) {
        result.outcome = PutBack::unreadable;
        return result;
    }
    if (!examine_master(now).damaged()) {
        result.outcome = PutBack::already_whole;
        return result;
    }
    std::string names;
    const bool has_names = file_exists(NAMEFILE_NAME) && read_file_bytes(NAMEFILE_NAME, names);
    bool ok = write_copy(now, MASTFILE_BAD, result.error) && (!has_names || write_copy(names, NAMEFILE_BAD, result.error)) &&
              write_copy(copy.master, MASTFILE_NAME, result.error);
    // Without its partner copy the name file is built again from SENSYU.TXT.
    if (ok && copy.names) ok = write_copy(*copy.names, NAMEFILE_NAME, result.error);
    else if (ok && has_names) std::remove(NAMEFILE_NAME);
    platform::sync_folder_of(MASTFILE_NAME);
    result.outcome = ok ? PutBack::put_back : PutBack::failed;
    result.names_aside = has_names;
    return result;
}

}  // namespace korvel
