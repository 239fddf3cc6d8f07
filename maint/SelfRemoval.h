#pragma once
// The D key: removal of the portable program after a confirmation.

// Asks Yes/No/Cancel; on Yes starts the removal batch, opens the uninstall page and posts the
// quit message. Any other answer changes nothing.
void RemoveProgram();

// Writes the removal batch into the temporary folder and starts it hidden. When the program's
// path can't be written into the batch exactly, or the batch file can't be created or written,
// a message box says so.
void WriteRemovalBatch();
