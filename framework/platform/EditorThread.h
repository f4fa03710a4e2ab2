#pragma once
// Which threads are editors' threads: only such a thread may block in a
// question or a file dialog (it keeps its editor window painted while it
// waits). Each editor instance registers the thread that opened it and
// clears only its own registration when it closes, so one instance closing
// never takes the right away from another that is still open (hosts may
// drive each editor from a thread of its own). Asked from any other thread
// (a host's worker, the MIDI thread), questions answer their default and
// dialogs cancel; the first such call is logged to stderr. Any thread.

// The calling thread becomes the editor thread of instance (replacing what
// that instance registered before).
void setEditorThread(const void* instance);
// Removes instance's registration; the others stay.
void clearEditorThread(const void* instance);
// The calling thread is the editor thread of some open instance.
bool isEditorThread();

// True on an editor's thread; otherwise logs (once per process) what was
// refused and answers false.
bool mayBlockForUser(const char* what);
