// Compiled by the test layers_refuse_upward_include with eventdata's include root,
// as eventdata/ is built: a header of timing/, a layer above, must not be found.
#include "eventdata/mastfile.h"
#include "timing/ranking.h"
