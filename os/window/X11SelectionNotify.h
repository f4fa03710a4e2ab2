#pragma once
// The answer to another client's SelectionRequest, sent by the editor's
// window and by the editor tool's host display alike.
#include <xcb/xcb.h>

#include <array>
#include <cstring>

namespace os {

// Tells the requestor that its request was answered in property (XCB_NONE:
// refused). xcb_send_event sends 32 bytes whatever the event's size, so the
// answer goes from a zeroed buffer of that size: nothing of the sender's
// memory past the event's fields reaches another client.
inline void sendSelectionNotify(xcb_connection_t* connection, const xcb_selection_request_event_t& request,
                                xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    static_assert(sizeof notify <= 32, "an X event is 32 bytes");
    std::array<char, 32> wire{};
    std::memcpy(wire.data(), &notify, sizeof notify);
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire.data());
}

} // namespace os
