// The rebuild screen: MASTFILE.DAT made again from EKI.TXT, BUMON.TXT and TEAM.TXT
// (the data steps are eventdata/master_build.h), with NAMEFILE.DAT after it.
#pragma once

#include <cstdint>

namespace korvel {

// Why a rebuild is shown: the waiting menu found a source newer than the data, or
// the user asked for it.
enum class BuildAsked { when_stale, on_demand };
// True when the files were rebuilt (the caller redraws).
bool build_master_file(BuildAsked asked);
// The automatic rebuild for the given stamps; a rebuild the user declined is not
// offered again until one of the files changes. True when the build screen was shown
// (built or declined): the caller redraws its menu.
bool build_master_file_when_stale(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast);

}  // namespace korvel
