#pragma once
// A private vendor call of this plug-in family: draws the editor without a
// window into the caller's pixels and lists its controls. Used by
// kelvanti-render; ordinary hosts never send it. The layout is plain data so
// that a host compiled separately can fill it.
//
//   dispatcher(effVendorSpecific, kEditorSnapshotIndex, kEditorSnapshotValue, &request, 0)
//   answers 1 when drawn, 0 otherwise.
#include <cstdint>

constexpr int32_t kEditorSnapshotIndex = 0x4B6C5368;   // 'KlSh'
constexpr int64_t kEditorSnapshotValue = 0x45646974;   // 'Edit'

struct EditorSnapshot {
    int32_t size;        // sizeof(EditorSnapshot), checked by the plug-in
    int32_t page;        // 0 main, 1 back
    // In: capacity of pixels (0 asks for the size only). Out: the editor's size.
    int32_t width;
    int32_t height;
    int32_t pixelCapacity;
    uint32_t* pixels;    // 0xAARRGGBB, row 0 at the top, width per row; caller owned
    // Out: one line "index page kind left top right bottom" per control,
    // zero-terminated, cut at capacity (null: not asked).
    char* rects;
    int32_t rectsCapacity;
};
