#pragma once
// The two message boxes the plug-in shows. Mind the argument orders: the
// error box takes the caption first, the question the text first.

#include <string>

// Never blocks the caller; any thread.
void showErrorBox(const char* caption, const char* text);

// The error box of a file that could not be written: what it was ("This
// preset"), the file and the system's reason. Never blocks; any thread.
void showSaveError(const std::string& what, const std::string& path, const std::string& reason);

// Blocks until answered; true only for "yes" (closing the box answers no).
// Only on the editor's thread (EditorThread.h): elsewhere it answers "no"
// without asking.
bool askYesNo(const char* text, const char* caption);
