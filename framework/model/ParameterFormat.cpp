// The display text of a cell. Numbers are built from integers with the
// user's decimal separator, so the text never depends on the process locale
// (which belongs to the host).
#include "framework/model/Parameter_c.h"
#include "os/PathText.h"
#include "os/Locale.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t kWorkSize = 64;

// The text snprintf wrote, however long it wanted to be.
std::string_view written(const char* work, int n) {
    if (n < 0)
        return {};
    return std::string_view(work, std::min(static_cast<size_t>(n), kWorkSize - 1));
}

const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

std::string_view formatNumber(const ParamDesc& d, int32_t v, char* work) {
    const bool negativeFraction = d.digits != 0 && !(d.digits == 2 && !d.unit.empty() && d.unit[0] == '%') &&
                                  v % d.scale < 0;
    int n = 0;
    if (d.digits == 0 || (d.digits == 2 && !d.unit.empty() && d.unit[0] == '%')) {
        n = std::snprintf(work, kWorkSize, "%d", static_cast<int>(v));
    } else {
        const int32_t q = v / d.scale;
        const int32_t r = v % d.scale;
        const char sep = os::userDecimalSeparator();
        if (r < 0)
            n = std::snprintf(work, kWorkSize, "-%d%c%0*d", static_cast<int>(-q), sep, static_cast<int>(d.digits),
                              static_cast<int>(-r));
        else
            n = std::snprintf(work, kWorkSize, "%d%c%0*d", static_cast<int>(q), sep, static_cast<int>(d.digits),
                              static_cast<int>(r));
    }
    std::string_view text = written(work, n);
    if (d.displayCut > 0)
        text = text.substr(0, static_cast<size_t>(d.displayCut) + (negativeFraction ? 1u : 0u));
    return text;
}

std::string_view formatLevel(const ParamDesc& d, int32_t v, char* work) {
    if (v == d.min && d.flags.test(ParamFlag::MinShowsMinusInfinity))
        return "-oo";
    const char sep = os::userDecimalSeparator();
    int n = 0;
    if (v < -49)
        n = std::snprintf(work, kWorkSize, "-%d", static_cast<int>(v / -5));
    else if (v < 0)
        n = std::snprintf(work, kWorkSize, "-%d%c%d", static_cast<int>(-v / 5), sep, static_cast<int>((-v % 5) * 2));
    else
        n = std::snprintf(work, kWorkSize, "%d%c%d", static_cast<int>(v / 5), sep, static_cast<int>((v % 5) * 2));
    return written(work, n);
}

std::string_view formatNote(const ParamDesc& d, int32_t v, char* work) {
    if (v == 128)
        return "all";
    if (v < 0)
        return {}; // no key has a name below 0
    const int32_t cents = v % d.scale;
    const int32_t key = v / d.scale;
    const int octave = static_cast<int>(key / 12 - 2);
    int n = -1;
    if (d.digits == 0) {
        if (d.flags.test(ParamFlag::ShowNoteName))
            n = std::snprintf(work, kWorkSize, "%s%d", kNoteNames[key % 12], octave);
        else
            n = std::snprintf(work, kWorkSize, "%d", static_cast<int>(v));
    } else if (d.digits == 2) {
        n = std::snprintf(work, kWorkSize, "%s%d %02dc", kNoteNames[key % 12], octave, static_cast<int>(cents));
    }
    if (n < 0)
        return "Error!";
    return written(work, n);
}

std::string_view formatPan(int32_t v, char* work) {
    if (v == 0)
        return "  < C >  ";
    // Hundredths from the integer: the same text as "%0.2f" of v * 0.01,
    // without the locale printf would consult.
    const int64_t magnitude = v < 0 ? -static_cast<int64_t>(v) : v;
    const char sep = os::userDecimalSeparator();
    const int whole = static_cast<int>(magnitude / 100);
    const int hundredths = static_cast<int>(magnitude % 100);
    const int n = v < 0 ? std::snprintf(work, kWorkSize, "L %d%c%02d", whole, sep, hundredths)
                        : std::snprintf(work, kWorkSize, "  %d%c%02d R", whole, sep, hundredths);
    return written(work, n);
}

std::string_view formatOptions(const ParamDesc& d, int32_t v, std::string_view entry) {
    if (d.entryWidth() <= 0 || d.optionText.empty())
        return {};
    if (v == d.min && d.flags.test(ParamFlag::MinShowsMinusInfinity))
        return "-oo";
    if (v == d.max && d.flags.test(ParamFlag::MaxShowsInfinity))
        return "oo";
    return entry;
}

std::string_view formatText(const ParamDesc& d, std::string_view text) {
    if (d.flags.test(ParamFlag::TextIsPath))
        text = pathtext::fileNameOf(text);
    if (d.flags.test(ParamFlag::HideExtension))
        text = pathtext::withoutExtension(text);
    return text;
}

} // namespace

void Parameter_c::formatValue(char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (!desc_ || desc_->digits < 0)
        return;
    const ParamDesc& d = *desc_;
    const int32_t v = value();
    char work[kWorkSize];
    std::string_view text = "Error!";
    switch (d.kind) {
    case ParamKind::Options: {
        // Shown as clamped into the range; the stored value is left to writers.
        const int32_t shown = std::clamp(v, d.min, std::max(d.min, d.max));
        const int64_t index = static_cast<int64_t>(shown) - d.min;
        std::string_view entry;
        const int64_t offset = index * d.entryWidth();
        if (d.entryWidth() > 0 && offset < static_cast<int64_t>(d.optionText.size()))
            entry = std::string_view(d.optionText)
                        .substr(static_cast<size_t>(offset), static_cast<size_t>(d.entryWidth()));
        text = formatOptions(d, shown, entry);
        break;
    }
    case ParamKind::MidiChannel:
        if (v == 16) {
            text = "all";
        } else {
            const int n = std::snprintf(work, kWorkSize, "%02lld", static_cast<long long>(v) + 1);
            text = written(work, n);
        }
        break;
    case ParamKind::Note:
        text = formatNote(d, v, work);
        break;
    case ParamKind::Level:
        text = formatLevel(d, v, work);
        break;
    case ParamKind::Switch:
        text = (v == 0 || v == 1) && d.entryWidth() > 0 ? currentOptionEntry() : std::string_view();
        break;
    case ParamKind::Text:
        text = formatText(d, textView());
        break;
    case ParamKind::Pan:
        text = formatPan(v, work);
        break;
    default:
        if (v == d.min && d.flags.test(ParamFlag::MinShowsMinusInfinity))
            text = "-oo";
        else if (v == d.max && d.flags.test(ParamFlag::MaxShowsInfinity))
            text = "oo";
        else
            text = formatNumber(d, v, work);
        break;
    }
    copyBounded(buffer, size, text);
}
