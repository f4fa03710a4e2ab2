#include "framework/model/PartGroup_c.h"
#include "framework/model/Part_c.h"
#include "engine/dsp/SafeDivision.h"
#include <algorithm>

void PartGroup_c::setSampleRate(float rate) {
    rate_ = rate;
    inverseRate_ = safeDivide(1.0f, rate);
    for (int i = 0; i < childCount_; ++i)
        if (children_[i])
            children_[i]->setSampleRate(rate);
}

void PartGroup_c::start() {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i])
            children_[i]->start();
}

void PartGroup_c::reset() {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i])
            children_[i]->reset();
}

void PartGroup_c::resetParameters() {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i])
            children_[i]->resetParameters();
}

void PartGroup_c::rowChanged(int row) {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i])
            children_[i]->parameterChanged(row, -1);
}

void PartGroup_c::noteOn(int row, Note_c note, bool reused, bool legato) {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i] && children_[i]->isActive())
            children_[i]->noteOn(row, note, reused, legato);
}

void PartGroup_c::noteOff(int row, Note_c note) {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i] && children_[i]->isActive())
            children_[i]->noteOff(row, note);
}

void PartGroup_c::kill() {
    for (int i = 0; i < childCount_; ++i)
        if (children_[i] && children_[i]->isActive())
            children_[i]->kill();
}

void PartGroup_c::setChild(int index, Part_c* child) {
    index = std::clamp(index, 0, kMaxChildren - 1);
    children_[index] = child;
    childCount_ = std::max(childCount_, index + 1);
}

Part_c* PartGroup_c::child(int index) const {
    return index >= 0 && index < childCount_ ? children_[index] : nullptr;
}
