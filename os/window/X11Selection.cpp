#include "os/window/X11Selection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "os/Clock.h"
#include "os/TextEncoding.h"
#include "os/window/X11SelectionNotify.h"

namespace os {
namespace {

// A paste whose text has not come within this time is given up (the owner
// hangs); a later answer is ignored.
constexpr int32_t kPasteTimeoutMs = 1000;
// Of a pasted text this much is read (in 32-bit units): far more than a
// field holds, so the rest is cut.
constexpr uint32_t kMaxPasteLongs = 4096;

constexpr const char* kAtomNames[] = {"CLIPBOARD", "UTF8_STRING", "TARGETS", "TIMESTAMP", "INCR", "KELVANTI_PASTE"};

} // namespace

void X11Selections::open(xcb_connection_t* connection, xcb_window_t window) {
    connection_ = connection;
    window_ = window;
    std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies;
    for (int i = 0; i < kAtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(kAtomNames[i])), kAtomNames[i]);
    for (int i = 0; i < kAtomCount; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies[i], nullptr);
        atoms_[i] = reply ? reply->atom : XCB_NONE;
        std::free(reply);
    }
}

xcb_atom_t X11Selections::selectionAtom(Selection which) const {
    return which == Selection::Clipboard ? atoms_[kClipboard] : xcb_atom_t{XCB_ATOM_PRIMARY};
}

int X11Selections::selectionIndex(xcb_atom_t atom) const {
    if (atom == XCB_NONE) return -1;
    if (atom == atoms_[kClipboard]) return static_cast<int>(Selection::Clipboard);
    if (atom == XCB_ATOM_PRIMARY) return static_cast<int>(Selection::Primary);
    return -1;
}

void X11Selections::offer(Selection which, const std::string& utf8, xcb_timestamp_t time) {
    const xcb_atom_t selection = selectionAtom(which);
    if (!connection_ || selection == XCB_NONE || utf8.empty()) return;
    xcb_set_selection_owner(connection_, window_, selection, time);
    // The server refuses an owner whose time is older than the current one's.
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection), nullptr);
    OwnedSelection& held = owned_[static_cast<size_t>(which)];
    held.owned = owner && owner->owner == window_;
    held.since = time;
    held.utf8 = held.owned ? utf8 : std::string();
    std::free(owner);
}

// Answers another client's (or our own) request for a selection we own:
// the text as UTF8_STRING or STRING (Latin-1), or the list of those targets.
void X11Selections::handleRequest(const xcb_selection_request_event_t* event) {
    xcb_atom_t answered = XCB_NONE;   // refused unless answered below
    const int index = selectionIndex(event->selection);
    const OwnedSelection* held = index >= 0 && event->owner == window_ ? &owned_[static_cast<size_t>(index)] : nullptr;
    // Requestors of the oldest protocol name no property: the target's name is used.
    const xcb_atom_t property = event->property != XCB_NONE ? event->property : event->target;
    if (held && held->owned) {
        const xcb_atom_t target = event->target;
        if (target == atoms_[kTargets]) {
            const std::array<xcb_atom_t, 4> targets = {atoms_[kTargets], atoms_[kTimestamp], atoms_[kUtf8String],
                                                       XCB_ATOM_STRING};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, event->requestor, property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(targets.size()), targets.data());
            answered = property;
        } else if (target == atoms_[kTimestamp]) {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, event->requestor, property, XCB_ATOM_INTEGER, 32, 1,
                                &held->since);
            answered = property;
        } else if (target == atoms_[kUtf8String] || target == XCB_ATOM_STRING) {
            const std::string bytes = target == XCB_ATOM_STRING ? latin1Of(held->utf8) : held->utf8;
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, event->requestor, property, target, 8,
                                static_cast<uint32_t>(bytes.size()), bytes.data());
            answered = property;
        }
    }
    sendSelectionNotify(connection_, *event, answered);
    xcb_flush(connection_);
}

void X11Selections::handleClear(const xcb_selection_clear_event_t* event) {
    const int index = selectionIndex(event->selection);
    if (index < 0 || event->owner != window_) return;
    owned_[static_cast<size_t>(index)] = OwnedSelection{};
}

void X11Selections::requestPaste(Selection which, xcb_timestamp_t time, uint32_t nowMs) {
    if (!connection_ || atoms_[kPasteProperty] == XCB_NONE) return;
    pasteSelection_ = selectionAtom(which);
    pasteTime_ = time;
    askForPaste(atoms_[kUtf8String], nowMs);
}

void X11Selections::askForPaste(xcb_atom_t target, uint32_t nowMs) {
    pasteTarget_ = target;
    pastePending_ = pasteSelection_ != XCB_NONE && target != XCB_NONE;
    if (!pastePending_) return;
    pasteStartMs_ = nowMs;
    xcb_convert_selection(connection_, window_, pasteSelection_, target, atoms_[kPasteProperty], pasteTime_);
    xcb_flush(connection_);
}

void X11Selections::checkTimeout(uint32_t nowMs) {
    if (pastePending_ && tickDiff(nowMs, pasteStartMs_) > kPasteTimeoutMs) pastePending_ = false;
}

bool X11Selections::handleNotify(const xcb_selection_notify_event_t* event, uint32_t nowMs, std::string& pasted) {
    pasted.clear();
    if (event->requestor != window_ || selectionIndex(event->selection) < 0) return false;
    receivePaste(event, nowMs, pasted);
    return true;
}

// The owner's answer to our conversion: the text in our property, or none
// (then STRING is asked for once more, for owners of the older kind).
void X11Selections::receivePaste(const xcb_selection_notify_event_t* event, uint32_t nowMs, std::string& pasted) {
    if (!pastePending_ || event->selection != pasteSelection_ || event->target != pasteTarget_) return;
    pastePending_ = false;
    if (event->property == XCB_NONE) {
        if (pasteTarget_ == atoms_[kUtf8String]) askForPaste(XCB_ATOM_STRING, nowMs);
        return;
    }
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window_, event->property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxPasteLongs),
        nullptr);
    // A transfer in pieces (INCR) is refused: far more than a field holds.
    // Its property stays, so the owner never starts sending the pieces.
    if (!reply || reply->type == atoms_[kIncr]) {
        std::free(reply);
        return;
    }
    std::string bytes;
    if (reply->format == 8 && (reply->type == atoms_[kUtf8String] || reply->type == XCB_ATOM_STRING)) {
        // The value's length as claimed, bounded by the reply's own size and what was asked for.
        const size_t claimed = static_cast<size_t>(std::max(0, xcb_get_property_value_length(reply)));
        const size_t length = std::min({claimed, static_cast<size_t>(reply->length) * 4u, size_t{kMaxPasteLongs} * 4u});
        bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)), length);
        if (reply->type == XCB_ATOM_STRING) bytes = utf8OfLatin1(bytes);
    }
    std::free(reply);
    xcb_delete_property(connection_, window_, event->property);
    xcb_flush(connection_);
    pasted = std::move(bytes);
}

} // namespace os
