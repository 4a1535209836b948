// The desktop shell: opening a document with its associated program, and the
// recycle bin.
#pragma once

namespace hoard::platform {

// Opens the document with the "open" verb. false when nothing could open it.
bool OpenDocument(const char* path);

// Moves the file to the recycle bin (the trash). `quiet` asks for no
// confirmation, no error dialog and simple progress; otherwise the shell's
// own dialogs may appear. false when the file was not moved.
bool RecycleToBin(const char* path, bool quiet);

}  // namespace hoard::platform
