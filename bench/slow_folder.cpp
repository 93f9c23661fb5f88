// Linked into Pictor's own program: the target folder answers only after two seconds, as a slow or offline
// share does, both when "Öffne Zielordner" makes it and when a snapshot is written into it.
#include "app/snapshot_file.h"
#include "app/target_folder_opener.h"

#include <windows.h>

namespace {

void slow_share()
{
    Sleep(2000);
}

struct slow_share_seam {
    slow_share_seam()
    {
        target_folder_opener_detail::before_making_folder = slow_share;
        snapshot_file_detail::before_writing = slow_share;
    }
} seam;

} // namespace
