#pragma once
// Which thread is the editor's: only that thread may block in a question or
// a file dialog (it keeps the editor window painted while it waits). The
// editor registers its thread when it opens and clears it when it closes.
// Asked from any other thread (a host's worker, the MIDI thread), questions
// answer their default and dialogs cancel; the first such call is logged to
// stderr. Any thread; no allocation after the first log.

void setEditorThread();   // the calling thread becomes the editor's
void clearEditorThread(); // no thread is the editor's
bool isEditorThread();    // the calling thread is the editor's

// True on the editor's thread; otherwise logs (once per process) that what
// was refused and answers false.
bool mayBlockForUser(const char* what);
