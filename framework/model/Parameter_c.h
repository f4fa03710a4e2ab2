#pragma once
// One parameter cell: an integer value with the values derived from it
// (display value, normalised position, gain), and for text and float-array
// columns the storage.
//
// Threads: the value operations neither allocate nor lock, and the numbers
// are atomics, so the audio thread may read a cell while a parameter write
// runs elsewhere. Text and float storage is changed and read only under the
// owning part's parameter lock (Part_c does that); definers and range changes
// run while the set is built, before any audio.
//
// Ownership: the descriptor is the set's shared one or a private copy owned
// by the cell (made by setMin/setMax). Text and float storage is owned by the
// cell; an empty text is the process-wide shared empty text, never freed.
#include "framework/model/ParamDesc.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Parameter_c {
public:
    Parameter_c() noexcept = default;
    ~Parameter_c();
    Parameter_c(const Parameter_c&) = delete;
    Parameter_c& operator=(const Parameter_c&) = delete;

    // Makes this cell an independent copy of another: descriptor (a private
    // descriptor is copied, not shared), values and storage.
    void copyFrom(const Parameter_c& other);

    // -------------------------------------------------------------- binding
    void setDescriptor(ParamDesc* desc) { desc_ = desc; }
    const ParamDesc* descriptor() const { return desc_; }
    ParamKind kind() const { return desc_ ? desc_->kind : ParamKind::None; }
    // Frees a private descriptor; the cell is then without descriptor.
    void releasePrivateDescriptor();

    // -------------------------------------------------------------- definers
    // Each binds the descriptor to a kind, clamps the default into the range
    // and sets the value to it. Nothing happens without a descriptor.
    void defineNumber(const char* name, const char* unit, float curve, int32_t min, int32_t max,
                      int digits, int32_t defaultValue, int displayCut = 0);
    // Nothing is defined without option text or with a width of 32 or more.
    void defineOptions(const char* name, const char* unit, int32_t min, int32_t max, int width,
                       int32_t defaultValue, const char* optionText,
                       const char* const* legacyOptions = nullptr);
    void defineMidiChannel(const char* name, int32_t min, int32_t max, int32_t defaultValue);
    void defineNote(const char* name, int32_t min, int32_t max, int digits, int32_t defaultValue);
    // Range in whole dB; the value counts 0.2 dB steps. With minusInfinity
    // the minimum is one step lower and shows "-oo" with gain 0.
    void defineLevelDb(const char* name, int32_t minDb, int32_t maxDb, int32_t defaultSteps,
                       bool minusInfinity);
    void defineSwitch(const char* name, int32_t defaultValue);
    void defineText(const char* name, bool isPath, bool hideExtension, const char* defaultText);
    void defineFloatArray(const char* name, int count);
    // Kinds 9 and 10 have no column in this instrument; these definers make
    // them reachable: pan -100..100, and a column that stores nothing.
    void definePan(const char* name, int32_t defaultValue);
    void definePlaceholder(const char* name);
    // After a definer: the column counts something while the plug-in runs
    // (see ParamDesc::runningState). Nothing without a descriptor.
    void markRunningState() {
        if (desc_)
            desc_->runningState = true;
    }

    // -------------------------------------------------------------- values
    void setFromValue(int32_t v); // unclamped
    void setValue(int32_t v);     // clamped into min..max
    void setBool(bool on);
    void setNormalized(float x);
    int32_t value() const { return desc_ ? value_.load(std::memory_order_relaxed) : 0; }
    float displayValue() const { return desc_ ? display_.load(std::memory_order_relaxed) : 0.0f; }
    float normalized() const { return desc_ ? normalized_.load(std::memory_order_relaxed) : 0.0f; }
    float gain() const { return desc_ ? gain_.load(std::memory_order_relaxed) : 0.0f; }
    bool isOn() const { return desc_ && value() != 0; }
    bool isAtInfinity() const;
    float normalizedDefault() const;
    // The normalised size of one unit at the bottom of the range, negative
    // unless direction > 0. Does not touch the cell.
    float getStepSize(int direction) const;
    void resetToDefault();

    // -------------------------------------------------------------- range
    // Every change of range, curve or limits keeps the value and recomputes
    // what derives from it, so a host reading the position and writing it
    // back changes nothing. setCurve and setMaxInfinite change the
    // descriptor the cell uses: with a shared one, the other rows of the
    // column must be refreshed too (ParaSet_c::setCurve does that).
    bool setMax(int32_t a);
    bool setMin(int32_t a);
    void setCurve(float curve);
    void setMaxInfinite(bool on);
    // Recomputes display value, normalised position and gain from the value.
    void refreshDerived();

    // -------------------------------------------------------------- texts
    // Text: stores a copy; Options/Switch: chooses the entry by text.
    void setText(std::string_view text);
    void setOptionByText(std::string_view text);
    // min + index of the entry equal to text, or 0 when there is none.
    int32_t findOption(std::string_view text) const;
    // The stored text, ended and cut to size - 1 bytes (empty for other kinds).
    void getText(char* buffer, size_t size) const;
    void getTextString(std::string& out) const;
    std::string_view textView() const; // valid until the next text change
    // The current option entry, or empty when it lies outside the entries.
    std::string_view currentOptionEntry() const;
    void getOptionText(char* buffer, size_t size) const;

    // -------------------------------------------------------------- floats
    int floatCount() const { return desc_ ? floatCount_ : 0; }
    float getFloat(int i) const;
    void setFloat(int i, float x);
    // The stored bits of an element, for chunks: no float register on the
    // way, so every bit pattern (signalling NaNs too) survives in every build.
    uint32_t getFloatBits(int i) const;
    void setFloatBits(int i, uint32_t bits);

    // -------------------------------------------------------------- display
    // The display text, cut to size - 1 bytes and always ended.
    void formatValue(char* buffer, size_t size) const;
    static constexpr size_t kNameLength = 23;
    void getName(char* buffer, size_t size) const;
    void getUnit(char* buffer, size_t size) const;

private:
    bool makePrivateDescriptor();
    void storeText(std::string_view text);
    void freeText();
    void freeFloats();
    bool allocateFloats(int count);
    void finishDefinition(int32_t defaultValue);
    bool beginNumberLike(ParamKind kind, const char* name, const char* unit, int digits);
    int optionIndexOf(std::string_view text, std::string_view options) const;

    ParamDesc* desc_ = nullptr;
    std::atomic<int32_t> value_{0};
    std::atomic<float> display_{0.0f};
    std::atomic<float> normalized_{0.0f};
    std::atomic<float> gain_{0.0f};
    char* text_ = nullptr; // owned; null means the shared empty text
    size_t textLength_ = 0;
    float* floats_ = nullptr; // owned
    int floatCount_ = 0;
};

// Copies text into buffer, cut to size - 1 bytes and ended; nothing for size 0.
void copyBounded(char* buffer, size_t size, std::string_view text);
