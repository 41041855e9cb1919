// Runner names: NAMEFILE.DAT built from SENSYU.TXT (build_name_file in
// master_build.h), and the width reports give to a name column.
#pragma once

namespace korvel {

// The longest runner name in NAMEFILE.DAT in bytes, at least 12 (also when the file
// is missing).
int runner_name_width();

}  // namespace korvel
