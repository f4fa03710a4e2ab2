#pragma once
// The two message boxes the plug-in shows. Mind the argument orders: the
// error box takes the caption first, the question the text first.

// Never blocks the caller; any thread.
void showErrorBox(const char* caption, const char* text);

// Blocks until answered; true only for "yes" (closing the box answers no).
// Only on the editor's thread (EditorThread.h): elsewhere it answers "no"
// without asking.
bool askYesNo(const char* text, const char* caption);
