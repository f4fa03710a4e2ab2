#pragma once
// The clipboard and the primary selection of the editor's window on X: the
// texts it owns and its answers to other clients' requests for them, and
// the paste it asks another owner for. Works on the window's own connection
// and is fed the window's events; the thread that owns the window.
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <string>

#include "os/window/EditorWindow.h"

namespace os {

class X11Selections {
public:
    // Interns the atoms it needs on the window's connection (one round trip).
    void open(xcb_connection_t* connection, xcb_window_t window);

    // The window owns the selection with this text, as of the time of the
    // input that asked for it, unless the server refuses (an owner of a
    // later time); an empty text offers nothing.
    void offer(Selection which, const std::string& utf8, xcb_timestamp_t time);
    // Asks the selection's owner for its text as UTF-8 (then, refused, as
    // Latin-1); the answer comes with a SelectionNotify (handleNotify).
    void requestPaste(Selection which, xcb_timestamp_t time, uint32_t nowMs);
    // A paste not answered within a second is given up; a later answer is ignored.
    void checkTimeout(uint32_t nowMs);

    // Another client's (or our own) request for a selection: always answered.
    void handleRequest(const xcb_selection_request_event_t* event);
    // Another client took a selection we owned.
    void handleClear(const xcb_selection_clear_event_t* event);
    // A SelectionNotify to the window: true when it is of a selection (a
    // paste's answer); pasted is then the text that came, empty for none.
    bool handleNotify(const xcb_selection_notify_event_t* event, uint32_t nowMs, std::string& pasted);

private:
    enum AtomIndex { kClipboard, kUtf8String, kTargets, kTimestamp, kIncr, kPasteProperty, kAtomCount };
    struct OwnedSelection {
        bool owned = false;
        xcb_timestamp_t since = XCB_CURRENT_TIME;
        std::string utf8;
    };

    xcb_atom_t selectionAtom(Selection which) const;
    // The selection an atom names, as an index into owned_; -1 for others.
    int selectionIndex(xcb_atom_t atom) const;
    void askForPaste(xcb_atom_t target, uint32_t nowMs);
    void receivePaste(const xcb_selection_notify_event_t* event, uint32_t nowMs, std::string& pasted);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    std::array<xcb_atom_t, kAtomCount> atoms_{};
    // The selections we own (indexed by Selection) and their texts.
    std::array<OwnedSelection, 2> owned_{};
    // The paste asked for and not yet answered.
    bool pastePending_ = false;
    xcb_atom_t pasteSelection_ = XCB_NONE;
    xcb_atom_t pasteTarget_ = XCB_NONE;
    xcb_timestamp_t pasteTime_ = XCB_CURRENT_TIME;
    uint32_t pasteStartMs_ = 0;
};

} // namespace os
