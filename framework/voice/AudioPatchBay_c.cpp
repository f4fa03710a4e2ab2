#include "framework/voice/AudioPatchBay_c.h"

#include <new>

#include "framework/model/Part_c.h"

AudioPatchBay_c::AudioPatchBay_c(int32_t unconditionalCapacity, int32_t conditionalCapacity,
                                 ModuleTableRow* registry)
    : unconditionalCapacity_(unconditionalCapacity > 0 ? unconditionalCapacity : 0),
      conditionalCapacity_(conditionalCapacity > 0 ? conditionalCapacity : 0),
      registry_(registry) {
    unconditional_.reset(new (std::nothrow) PatchBayEntry[static_cast<size_t>(unconditionalCapacity_ + 1)]);
    conditional_.reset(new (std::nothrow) PatchBayEntry[static_cast<size_t>(conditionalCapacity_ + 1)]);
    valid_ = unconditional_ && conditional_ && registry_;
}

AudioPatchBay_c::~AudioPatchBay_c() = default;

const PatchBayEntry* AudioPatchBay_c::entry(Table table, int32_t index) const {
    if (!valid_ || index < 0 || index >= count(table)) return nullptr;
    return table == kUnconditional ? &unconditional_[index] : &conditional_[index];
}

bool AudioPatchBay_c::insertUnique(Table table, const char* label, int16_t row, int16_t rangeLo, int16_t rangeHi,
                                   InBuffer2_c* target, int32_t targetParam, Part_c* conditionPart,
                                   int16_t conditionColumn, int16_t conditionValue) {
    if (!valid_) return false;
    PatchBayEntry* entries = table == kUnconditional ? unconditional_.get() : conditional_.get();
    int32_t& n = table == kUnconditional ? unconditionalCount_ : conditionalCount_;
    const int32_t capacity = table == kUnconditional ? unconditionalCapacity_ : conditionalCapacity_;
    if (n >= capacity) return false;
    for (int32_t i = 0; i < n; ++i) {
        const PatchBayEntry& e = entries[i];
        if (e.row == row && e.target == target && e.conditionPart == conditionPart &&
            e.conditionColumn == conditionColumn && e.conditionValue == conditionValue && e.rangeLo <= rangeHi &&
            rangeLo <= e.rangeHi)
            return false;
    }
    PatchBayEntry& e = entries[n++];
    e.label = label;
    e.row = row;
    e.target = target;
    e.targetParam = targetParam;
    e.rangeLo = rangeLo;
    e.rangeHi = rangeHi;
    e.conditionPart = conditionPart;
    e.conditionColumn = conditionColumn;
    e.conditionValue = conditionValue;
    return true;
}

void AudioPatchBay_c::add(const char* label, int16_t row, int16_t rangeLo, int16_t rangeHi, InBuffer2_c* target,
                          int32_t targetParam, Part_c* conditionPart, int16_t conditionColumn,
                          int16_t conditionValue) {
    if (!valid_) return;
    if (rangeLo == -1 && rangeHi == -1 && conditionColumn == -1) {
        if (unconditionalCount_ >= unconditionalCapacity_) return;
        insertUnique(kUnconditional, label, row, rangeLo, rangeHi, target, targetParam, conditionPart,
                     conditionColumn, conditionValue);
        dispatch(kUnconditional, -1, unconditionalCount_ - 1);
    } else {
        insertUnique(kConditional, label, row, rangeLo, rangeHi, target, targetParam, conditionPart,
                     conditionColumn, conditionValue);
    }
}

void AudioPatchBay_c::addRoute(const char* label, int16_t row, InBuffer2_c* target, int32_t targetParam,
                               Part_c* conditionPart, int16_t conditionColumn, int16_t conditionValue) {
    add(label, row, -1, -1, target, targetParam, conditionPart, conditionColumn, conditionValue);
}

const ModuleTableRow* AudioPatchBay_c::rowOf(const PatchBayEntry& e) const {
    if (!registry_ || e.row < 0 || e.row >= ModuleTableRow::kMaxRows) return nullptr;
    const ModuleTableRow& row = registry_[e.row];
    return row.objects ? &row : nullptr;
}

bool AudioPatchBay_c::matches(const PatchBayEntry& e, int32_t value) const {
    if (e.conditionColumn != -1) {
        if (!e.conditionPart || e.conditionPart->getValue(value, e.conditionColumn) != e.conditionValue)
            return false;
    }
    if (e.rangeLo != -1 && (value < e.rangeLo || value > e.rangeHi)) return false;
    return true;
}

void AudioPatchBay_c::dispatch(Table table, int32_t value, int32_t index) {
    const PatchBayEntry* e = entry(table, index);
    if (!e) return;
    const ModuleTableRow* row = rowOf(*e);
    if (!row) return;
    for (int32_t i = row->count - 1; i >= 0; --i) {
        Part_c* object = row->objects[i];
        if (!object) continue;
        if (value == -1)
            object->bindOutput(e->target, e->targetParam);
        else
            object->bindOutputForRow(value, e->target, e->targetParam);
    }
}

void AudioPatchBay_c::apply(int32_t value) {
    for (int32_t i = 0; i < conditionalCount_ && valid_; ++i)
        if (matches(conditional_[i], value)) dispatch(kConditional, value, i);
}

void AudioPatchBay_c::applyTo(Part_c* object, int32_t value) {
    if (!valid_ || !object) return;
    for (int32_t i = 0; i < conditionalCount_; ++i) {
        const PatchBayEntry& e = conditional_[i];
        if (!matches(e, value)) continue;
        const ModuleTableRow* row = rowOf(e);
        if (!row) continue;
        for (int32_t j = 0; j < row->count; ++j) {
            if (row->objects[j] == object) {
                object->bindOutputForRow(value, e.target, e.targetParam);
                return;
            }
        }
    }
}
