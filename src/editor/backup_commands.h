// File > Backup... and File > Restore...: the map across removable disks and back.
#pragma once

#include "editor/command_context.h"
#include "storage/messages.h"

namespace zelk {

// Writes the open map's working file across the disks of a drive; "Backup successfully
// completed." only when every byte is on a disk.
void BackupCommand(CommandContext& c, Progress& progress);
// After the close query: restores a set into a chosen file and opens it.
void RestoreCommand(CommandContext& c, Progress& progress);

}  // namespace zelk
