// Linked into Pictor's own program: making the target folder takes two seconds, as on a slow or offline share.
#include "app/target_folder_opener.h"

#include <windows.h>

namespace {

void slow_share()
{
    Sleep(2000);
}

struct slow_share_seam {
    slow_share_seam() { target_folder_opener_detail::before_making_folder = slow_share; }
} seam;

} // namespace
