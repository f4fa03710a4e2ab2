#include "tests/window/toy/ToyEditor.h"

#include <algorithm>

namespace toy {
namespace {

constexpr uint32_t kBackground = 0xFF303040u;
constexpr uint32_t kFrameColour = 0xFFE0E0E0u;
constexpr uint32_t kOn = 0xFF20C040u;
constexpr uint32_t kOff = 0xFF802020u;
constexpr uint32_t kTrack = 0xFF505050u;
constexpr uint32_t kFill = 0xFF4080FFu;
constexpr uint32_t kField = 0xFFF0F0E0u;
constexpr size_t kMaxShownBytes = 48;

void fill(os::PixelSurface& surface, const Box& box, uint32_t colour) {
    const os::WindowRect r = os::clipRect({box.x, box.y, box.width, box.height}, surface.width, surface.height);
    for (int y = r.y; y < r.y + r.height; ++y) std::fill(surface.row(y) + r.x, surface.row(y) + r.x + r.width, colour);
}

void framed(os::PixelSurface& surface, const Box& box, uint32_t colour) {
    fill(surface, box, kFrameColour);
    fill(surface, Box{box.x + 2, box.y + 2, box.width - 4, box.height - 4}, colour);
}

} // namespace

void renderToy(const ToyModel& model, os::PixelSurface& surface) {
    fill(surface, Box{0, 0, surface.width, surface.height}, kBackground);
    framed(surface, kSwitchBox, model.values[kPower] >= 0.5f ? kOn : kOff);
    for (int y = 0; y < kPatternBox.height; ++y)
        for (int x = 0; x < kPatternBox.width; ++x)
            surface.row(kPatternBox.y + y)[kPatternBox.x + x] =
                0xFF000080u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8;
    fill(surface, kSliderBox, kTrack);
    const float level = std::clamp(model.values[kLevel], 0.0f, 1.0f);
    fill(surface, Box{kSliderBox.x, kSliderBox.y, static_cast<int>(level * kSliderBox.width + 0.5f), kSliderBox.height},
         kFill);
    framed(surface, kTextBox, kField);
    // Each byte of the text is a block whose colour is the byte.
    const size_t shown = std::min(model.text.size(), kMaxShownBytes);
    for (size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<uint32_t>(static_cast<unsigned char>(model.text[i]));
        fill(surface, Box{kTextBox.x + 4 + static_cast<int>(i) * 4, kTextBox.y + 7, 3, 16},
             0xFF000000u | byte << 16 | (255 - byte) << 8 | (byte * 7 & 0xFF));
    }
}

ToyEditor::ToyEditor(ToyModel& model, ToyHostLink link, std::unique_ptr<os::EditorWindow> window)
    : model_(model), link_(std::move(link)), window_(std::move(window)) {
    nextHostIdle_ = window_->nowMs();
    redraw();
}

void ToyEditor::idle() {
    if (!window_->isOpen()) return;
    window_->pump();
    os::WindowEvent event;
    while (window_->isOpen() && window_->nextEvent(event)) {
        dispatching_ = true;
        handle(event);
        dispatching_ = false;
    }
    if (dirty_ && window_->isOpen()) redraw();
}

void ToyEditor::redraw() {
    renderToy(model_, window_->backBuffer());
    window_->present({0, 0, window_->width(), window_->height()});
    dirty_ = false;
}

void ToyEditor::setValue(int index, float value) {
    model_.values[index] = std::clamp(value, 0.0f, 1.0f);
    dirty_ = true;
}

void ToyEditor::edit(int index, float value) {
    setValue(index, value);
    link_.automate(index, model_.values[index]);
}

void ToyEditor::handle(const os::WindowEvent& event) {
    using os::WindowEventKind;
    switch (event.kind) {
    case WindowEventKind::MouseDown:
        // As the toolkit does: the buttons held now, replayed in event order
        // (a press whose release is already queued still holds its button).
        if (window_->pointer().buttons != os::kMouseLeft) break;
        if (kSwitchBox.contains(event.x, event.y)) {
            link_.beginEdit(kPower);
            edit(kPower, model_.values[kPower] >= 0.5f ? 0.0f : 1.0f);
            link_.endEdit(kPower);
        } else if (kSliderBox.contains(event.x, event.y)) {
            trackSlider(event.x);
        }
        break;
    case WindowEventKind::Wheel:
        if (kSliderBox.contains(event.x, event.y)) {
            link_.beginEdit(kLevel);
            edit(kLevel, model_.values[kLevel] + 0.1f * event.wheel);
            link_.endEdit(kLevel);
        }
        break;
    case WindowEventKind::KeyDown:
        if (event.key == os::WindowKey::None && event.text == "m") modalWait(kModalWaitMs);
        else if (event.key == os::WindowKey::Backspace && !model_.text.empty()) model_.text.pop_back();
        else if (event.key == os::WindowKey::None) model_.text += event.text;
        else model_.text += "<" + std::to_string(static_cast<int>(event.key)) + ">";
        dirty_ = true;
        break;
    case WindowEventKind::Drop:
        if (!event.items.empty() && event.items[0].type == os::DropItem::Type::File) {
            model_.files.clear();
            for (const os::DropItem& item : event.items) model_.files += (model_.files.empty() ? "" : ";") + item.data;
        } else if (kTextBox.contains(event.x, event.y) && !event.items.empty()) {
            model_.text = event.items[0].data;
            ++model_.textDrops;
            model_.values[kText] = 0.1f * static_cast<float>(model_.textDrops);
        }
        dirty_ = true;
        break;
    default:
        break;
    }
}

// As while a dialog helper runs: only repaints are served; input waits.
void ToyEditor::modalWait(uint32_t milliseconds) {
    const uint32_t end = window_->nowMs() + milliseconds;
    while (window_->isOpen() && static_cast<int32_t>(end - window_->nowMs()) > 0) {
        window_->pumpPaintOnly();
        window_->sleepMs(10);
    }
}

// Follows the mouse until the left button is up, the window is gone or the
// host closed the editor from its idle; the host is idled every 100 ms.
void ToyEditor::trackSlider(int x) {
    link_.beginEdit(kLevel);
    const auto valueAt = [](int px) { return static_cast<float>(px - kSliderBox.x) / kSliderBox.width; };
    edit(kLevel, valueAt(x));
    for (;;) {
        const os::PointerState pointer = window_->trackPointer();
        if (!window_->isOpen() || !(pointer.buttons & os::kMouseLeft)) break;
        const float value = std::clamp(valueAt(pointer.x), 0.0f, 1.0f);
        if (value != model_.values[kLevel]) {
            edit(kLevel, value);
            redraw();
        }
        if (static_cast<int32_t>(window_->nowMs() - nextHostIdle_) >= 0) {
            nextHostIdle_ = window_->nowMs() + 100;
            link_.idle();
        } else {
            window_->sleepMs(4);
        }
    }
    link_.endEdit(kLevel);
}

} // namespace toy
