#include "framework/model/Parameter_c.h"
#include "framework/model/CurveMapping.h"
#include "engine/dsp/SafeDivision.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

const char kSharedEmptyText[] = "";

// One level step is 2^(1/30): 30 steps (6 dB) double the gain.
constexpr double kLevelStepFactor = 1.0233738;

int32_t clampInto(int32_t v, int32_t min, int32_t max) {
    if (v < min)
        return min;
    return std::min(v, max);
}

// base^n by squaring, so the result is the same in every build and costs
// O(log n) whatever the value.
double integerPower(double base, int32_t n) {
    uint32_t e = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    double result = 1.0;
    double b = base;
    while (e != 0) {
        if (e & 1u)
            result *= b;
        b *= b;
        e >>= 1;
    }
    return n < 0 ? 1.0 / result : result;
}

int32_t powerOfTen(int digits) {
    int32_t s = 1;
    for (int i = 0; i < digits; ++i)
        s *= 10;
    return s;
}

bool isNumberLike(ParamKind k) {
    return k == ParamKind::Number || k == ParamKind::MidiChannel || k == ParamKind::Note ||
           k == ParamKind::Level;
}

} // namespace

void copyBounded(char* buffer, size_t size, std::string_view text) {
    if (!buffer || size == 0)
        return;
    const size_t n = std::min(text.size(), size - 1);
    if (n)
        std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

Parameter_c::~Parameter_c() {
    freeText();
    freeFloats();
    releasePrivateDescriptor();
}

void Parameter_c::copyFrom(const Parameter_c& other) {
    if (&other == this)
        return;
    releasePrivateDescriptor();
    desc_ = other.desc_;
    if (desc_ && desc_->isPrivate()) {
        // Each cell owns its private descriptor; sharing it would free it twice.
        try {
            desc_ = new ParamDesc(*other.desc_);
        } catch (const std::bad_alloc&) {
            desc_ = const_cast<ParamDesc*>(other.desc_->source);
        }
    }
    value_.store(other.value_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    display_.store(other.display_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    normalized_.store(other.normalized_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    gain_.store(other.gain_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    storeText(other.textView());
    freeFloats();
    if (other.floats_ && allocateFloats(other.floatCount_))
        std::memcpy(floats_, other.floats_, sizeof(float) * static_cast<size_t>(floatCount_));
}

void Parameter_c::releasePrivateDescriptor() {
    if (desc_ && desc_->isPrivate())
        delete desc_;
    desc_ = nullptr;
}

// ------------------------------------------------------------------ storage

void Parameter_c::freeText() {
    delete[] text_;
    text_ = nullptr;
    textLength_ = 0;
}

void Parameter_c::storeText(std::string_view text) {
    char* copy = nullptr;
    if (!text.empty()) {
        copy = new (std::nothrow) char[text.size() + 1];
        if (copy) {
            std::memcpy(copy, text.data(), text.size());
            copy[text.size()] = '\0';
        }
    }
    freeText();
    if (copy) {
        text_ = copy;
        textLength_ = text.size();
    }
}

void Parameter_c::freeFloats() {
    delete[] floats_;
    floats_ = nullptr;
    floatCount_ = 0;
}

bool Parameter_c::allocateFloats(int count) {
    freeFloats();
    if (count <= 0)
        return false;
    floats_ = new (std::nothrow) float[static_cast<size_t>(count)]();
    if (!floats_)
        return false;
    floatCount_ = count;
    return true;
}

std::string_view Parameter_c::textView() const {
    if (!text_)
        return std::string_view(kSharedEmptyText, 0);
    return std::string_view(text_, textLength_);
}

// ------------------------------------------------------------------ definers

void Parameter_c::finishDefinition(int32_t defaultValue) {
    desc_->defaultValue = clampInto(defaultValue, desc_->min, desc_->max);
    setFromValue(desc_->defaultValue);
}

bool Parameter_c::beginNumberLike(ParamKind kind, const char* name, const char* unit, int digits) {
    if (!desc_)
        return false;
    if (kind != ParamKind::Text)
        freeText();
    freeFloats();
    desc_->kind = kind;
    desc_->name = name ? name : "";
    desc_->unit = unit ? unit : "";
    desc_->runningState = false;
    if (isNumberLike(kind)) {
        digits = std::clamp(digits, 0, 8);
        desc_->digits = static_cast<int16_t>(digits);
        desc_->scale = powerOfTen(digits);
    } else {
        desc_->scale = 1;
    }
    return true;
}

void Parameter_c::defineNumber(const char* name, const char* unit, float curve, int32_t min,
                               int32_t max, int digits, int32_t defaultValue, int displayCut) {
    if (!beginNumberLike(ParamKind::Number, name, unit, digits))
        return;
    desc_->curve = curve;
    desc_->min = min;
    desc_->max = max;
    desc_->displayCut = static_cast<int16_t>(std::clamp(displayCut, 0, 32767));
    finishDefinition(defaultValue);
}

void Parameter_c::defineOptions(const char* name, const char* unit, int32_t min, int32_t max,
                                int width, int32_t defaultValue, const char* optionText,
                                const char* const* legacyOptions) {
    if (!desc_ || !optionText || width < 0 || width >= 32)
        return;
    beginNumberLike(ParamKind::Options, name, unit, 0);
    desc_->min = min;
    desc_->max = max;
    desc_->digits = static_cast<int16_t>(width);
    desc_->optionText = optionText;
    desc_->legacyOptions.clear();
    for (const char* const* p = legacyOptions; p && *p; ++p)
        desc_->legacyOptions.emplace_back(*p);
    finishDefinition(defaultValue);
}

void Parameter_c::defineMidiChannel(const char* name, int32_t min, int32_t max, int32_t defaultValue) {
    if (!beginNumberLike(ParamKind::MidiChannel, name, "", 0))
        return;
    desc_->min = min;
    desc_->max = max;
    finishDefinition(defaultValue);
}

void Parameter_c::defineNote(const char* name, int32_t min, int32_t max, int digits,
                             int32_t defaultValue) {
    if (!beginNumberLike(ParamKind::Note, name, "", digits))
        return;
    desc_->min = min;
    desc_->max = max;
    desc_->flags.set(ParamFlag::ShowNoteName);
    desc_->optionText.clear();
    finishDefinition(defaultValue);
}

void Parameter_c::defineLevelDb(const char* name, int32_t minDb, int32_t maxDb, int32_t defaultSteps,
                                bool minusInfinity) {
    if (!beginNumberLike(ParamKind::Level, name, "dB", 0))
        return;
    desc_->min = minDb * 5 - (minusInfinity ? 1 : 0);
    desc_->max = maxDb * 5;
    desc_->curve = 0.0f;
    desc_->optionText.clear();
    desc_->flags.assign(ParamFlag::MinShowsMinusInfinity, minusInfinity);
    desc_->flags.clear(ParamFlag::MaxShowsInfinity);
    finishDefinition(defaultSteps);
}

void Parameter_c::defineSwitch(const char* name, int32_t defaultValue) {
    if (!beginNumberLike(ParamKind::Switch, name, "", 0))
        return;
    desc_->min = 0;
    desc_->max = 1;
    desc_->digits = 3;
    desc_->optionText = "OffOn ";
    if (defaultValue > 1)
        defaultValue = 1;
    if (defaultValue < 0)
        defaultValue = 0;
    finishDefinition(defaultValue);
}

void Parameter_c::defineText(const char* name, bool isPath, bool hideExtension, const char* defaultText) {
    if (!beginNumberLike(ParamKind::Text, name, "", 0))
        return;
    desc_->flags.assign(ParamFlag::TextIsPath, isPath);
    desc_->flags.assign(ParamFlag::HideExtension, hideExtension);
    desc_->optionText = defaultText ? defaultText : "";
    finishDefinition(0);
    if (defaultText)
        setText(defaultText);
}

void Parameter_c::defineFloatArray(const char* name, int count) {
    if (!beginNumberLike(ParamKind::FloatArray, name, "", 0))
        return;
    // The count lives in the 16-bit digits field.
    count = std::clamp(count, 0, 32767);
    desc_->digits = static_cast<int16_t>(count);
    desc_->flags.clear(ParamFlag::TextIsPath);
    allocateFloats(count);
    finishDefinition(0);
}

void Parameter_c::definePan(const char* name, int32_t defaultValue) {
    if (!beginNumberLike(ParamKind::Pan, name, "", 0))
        return;
    desc_->min = -100;
    desc_->max = 100;
    finishDefinition(defaultValue);
}

void Parameter_c::definePlaceholder(const char* name) {
    if (!beginNumberLike(ParamKind::Placeholder, name, "", 0))
        return;
    finishDefinition(0);
}

// ------------------------------------------------------------------ values

void Parameter_c::setFromValue(int32_t v) {
    if (!desc_)
        return;
    const ParamDesc& d = *desc_;
    value_.store(v, std::memory_order_relaxed);
    normalized_.store(normalizedPosition(d, v), std::memory_order_relaxed);
    display_.store(safeDivide(static_cast<float>(v), static_cast<float>(d.scale)),
                   std::memory_order_relaxed);
    float g = 0.0f;
    if (d.kind == ParamKind::Level && !(v == d.min && d.flags.test(ParamFlag::MinShowsMinusInfinity)))
        g = static_cast<float>(integerPower(kLevelStepFactor, v));
    gain_.store(g, std::memory_order_relaxed);
}

void Parameter_c::setValue(int32_t v) {
    if (desc_)
        setFromValue(clampInto(v, desc_->min, desc_->max));
}

void Parameter_c::setBool(bool on) { setFromValue(on ? 1 : 0); }

void Parameter_c::setNormalized(float x) {
    if (!desc_)
        return;
    const ParamDesc& d = *desc_;
    if (!(x >= 0.0f)) // also catches NaN
        x = 0.0f;
    if (x > 1.0f)
        x = 1.0f;
    if (d.min >= d.max) {
        setFromValue(d.min);
        return;
    }
    // Computed aside and stored once: the audio thread never sees an
    // intermediate value.
    const double fraction = linearFraction(x, d.curve);
    double y = d.min + ((static_cast<double>(d.max) - d.min) * fraction + 0.1);
    if (y < 0.0)
        y -= 0.2;
    y = std::clamp(y, static_cast<double>(std::numeric_limits<int32_t>::min()),
                   static_cast<double>(std::numeric_limits<int32_t>::max()));
    setFromValue(static_cast<int32_t>(y));
}

bool Parameter_c::isAtInfinity() const {
    if (!desc_)
        return false;
    const int32_t v = value();
    return (desc_->flags.test(ParamFlag::MaxShowsInfinity) && v == desc_->max) ||
           (desc_->flags.test(ParamFlag::MinShowsMinusInfinity) && v == desc_->min);
}

float Parameter_c::normalizedDefault() const {
    if (!desc_)
        return 0.0f;
    const ParamDesc& d = *desc_;
    double t = 0.5;
    if (d.min < d.max)
        t = (static_cast<double>(d.defaultValue) - d.min) / (static_cast<double>(d.max) - d.min);
    return curvedPosition(t, d.curve);
}

float Parameter_c::getStepSize(int direction) const {
    if (!desc_)
        return 0.0f;
    const ParamDesc& d = *desc_;
    const int32_t next = d.min == std::numeric_limits<int32_t>::max() ? d.min : d.min + 1;
    const float lo = normalizedPosition(d, d.min);
    const float hi = normalizedPosition(d, next);
    const float step = (hi - lo) * 1.001f;
    return direction > 0 ? step : -step;
}

void Parameter_c::resetToDefault() {
    if (!desc_)
        return;
    setFromValue(desc_->defaultValue);
    // A text that is empty stays empty: only owned storage is reset.
    if (desc_->kind == ParamKind::Text && text_)
        setText(desc_->optionText);
    else if (desc_->kind == ParamKind::FloatArray && floats_)
        std::fill(floats_, floats_ + floatCount_, 0.0f);
}

// ------------------------------------------------------------------ range

bool Parameter_c::makePrivateDescriptor() {
    if (desc_->isPrivate())
        return true;
    ParamDesc* copy = nullptr;
    try {
        copy = new ParamDesc(*desc_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    copy->source = desc_;
    desc_ = copy;
    return true;
}

bool Parameter_c::setMax(int32_t a) {
    if (!desc_ || a < desc_->min || !makePrivateDescriptor())
        return false;
    desc_->max = a;
    if (desc_->defaultValue > a)
        desc_->defaultValue = a;
    setFromValue(std::min(a, value()));
    return true;
}

bool Parameter_c::setMin(int32_t a) {
    if (!desc_ || a == desc_->min || a > desc_->max)
        return false;
    const bool isOptions = desc_->kind == ParamKind::Options;
    if (isOptions && a < desc_->min)
        return false;
    if (!makePrivateDescriptor())
        return false;
    if (isOptions) {
        // Move the entries on so that every value keeps its entry.
        const int64_t skip = (static_cast<int64_t>(a) - desc_->min) * desc_->entryWidth();
        std::string& options = desc_->optionText;
        options.erase(0, static_cast<size_t>(std::min<int64_t>(skip, static_cast<int64_t>(options.size()))));
    }
    desc_->min = a;
    if (desc_->defaultValue < a)
        desc_->defaultValue = a;
    setFromValue(std::max(a, value()));
    return true;
}

void Parameter_c::setCurve(float curve) {
    if (!desc_)
        return;
    desc_->curve = curve;
    refreshDerived();
}

void Parameter_c::setMaxInfinite(bool on) {
    if (!desc_)
        return;
    desc_->flags.assign(ParamFlag::MaxShowsInfinity, on);
    refreshDerived();
}

void Parameter_c::refreshDerived() {
    if (desc_)
        setFromValue(value());
}

// ------------------------------------------------------------------ texts

void Parameter_c::setText(std::string_view text) {
    if (!desc_)
        return;
    if (desc_->kind == ParamKind::Options)
        setOptionByText(text);
    else if (desc_->kind == ParamKind::Text)
        storeText(text);
}

int Parameter_c::optionIndexOf(std::string_view text, std::string_view options) const {
    const int width = desc_->entryWidth();
    if (width <= 0)
        return -1;
    // An empty text is found at the start: it names the first entry.
    if (text.empty())
        return 0;
    const size_t pos = options.find(text);
    if (pos == std::string_view::npos || pos % static_cast<size_t>(width) != 0)
        return -1;
    return static_cast<int>(pos / static_cast<size_t>(width));
}

void Parameter_c::setOptionByText(std::string_view text) {
    if (!desc_ || desc_->kind == ParamKind::None)
        return;
    int index = optionIndexOf(text, desc_->optionText);
    for (size_t i = 0; index < 0 && i < desc_->legacyOptions.size(); ++i)
        index = optionIndexOf(text, desc_->legacyOptions[i]);
    if (index < 0)
        setValue(desc_->defaultValue);
    else
        setValue(static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(desc_->min) + index,
                                                         std::numeric_limits<int32_t>::max())));
}

int32_t Parameter_c::findOption(std::string_view text) const {
    if (!desc_)
        return 0;
    const int index = optionIndexOf(text, desc_->optionText);
    return index < 0 ? 0 : desc_->min + index;
}

void Parameter_c::getText(char* buffer, size_t size) const { copyBounded(buffer, size, textView()); }

void Parameter_c::getTextString(std::string& out) const { out.assign(textView()); }

std::string_view Parameter_c::currentOptionEntry() const {
    if (!desc_)
        return {};
    const int width = desc_->entryWidth();
    const std::string& options = desc_->optionText;
    const int64_t index = static_cast<int64_t>(value()) - desc_->min;
    if (width <= 0 || index < 0)
        return {};
    const int64_t offset = index * width;
    if (offset >= static_cast<int64_t>(options.size()))
        return {};
    const size_t start = static_cast<size_t>(offset);
    return std::string_view(options).substr(start, std::min<size_t>(static_cast<size_t>(width),
                                                                    options.size() - start));
}

void Parameter_c::getOptionText(char* buffer, size_t size) const {
    copyBounded(buffer, size, currentOptionEntry());
}

// ------------------------------------------------------------------ floats

float Parameter_c::getFloat(int i) const {
    if (!desc_ || !floats_)
        return 0.0f;
    return floats_[std::clamp(i, 0, floatCount_ - 1)];
}

void Parameter_c::setFloat(int i, float x) {
    if (!desc_ || !floats_)
        return;
    floats_[std::clamp(i, 0, floatCount_ - 1)] = x;
}

uint32_t Parameter_c::getFloatBits(int i) const {
    uint32_t bits = 0;
    if (desc_ && floats_)
        std::memcpy(&bits, &floats_[std::clamp(i, 0, floatCount_ - 1)], sizeof bits);
    return bits;
}

void Parameter_c::setFloatBits(int i, uint32_t bits) {
    if (desc_ && floats_)
        std::memcpy(&floats_[std::clamp(i, 0, floatCount_ - 1)], &bits, sizeof bits);
}

// ------------------------------------------------------------------ names

void Parameter_c::getName(char* buffer, size_t size) const {
    copyBounded(buffer, size, desc_ ? std::string_view(desc_->name).substr(0, kNameLength) : "");
}

void Parameter_c::getUnit(char* buffer, size_t size) const {
    copyBounded(buffer, size, desc_ ? std::string_view(desc_->unit).substr(0, kNameLength) : "");
}
