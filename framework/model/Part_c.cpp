#include "framework/model/Part_c.h"
#include "framework/model/PartContext.h"
#include "framework/model/PartValueListener.h"
#include "framework/model/CurveMapping.h"
#include "engine/dsp/NoteScaling.h"
#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>

namespace {
using Guard = std::lock_guard<os::RecursiveLock>;
}

Part_c::~Part_c() {
    if (owner_)
        delete set_;
}

void Part_c::attach(PartContext* context, NoteFreqTable_c* tuningTable) {
    context_ = context;
    data_ = tuningTable;
}

bool Part_c::adoptSet(ParaSet_c*& sharedSet, int rows, int columns) {
    if (!sharedSet) {
        sharedSet = new (std::nothrow) ParaSet_c(getTypeId(), rows, columns);
        owner_ = sharedSet != nullptr;
    }
    set_ = sharedSet;
    return set_ && set_->isValid() && !set_->isDefined();
}

// ------------------------------------------------------------------ tree

void Part_c::setSampleRate(float rate) {
    PartGroup_c::setSampleRate(rate);
    timingChanged();
}

void Part_c::start() {
    PartGroup_c::start();
    if (isPublished())
        onStart();
}

void Part_c::resetParameters() {
    PartGroup_c::resetParameters();
    if (!set_)
        return;
    Guard guard(parameterLock());
    set_->resetAll();
}

void Part_c::noteOn(int row, Note_c note, bool reused, bool legato) {
    PartGroup_c::noteOn(row, note, reused, legato);
    noteEvent(row, note, reused, legato);
}

int Part_c::noteEvent(int row, Note_c note, bool /*reused*/, bool /*legato*/) {
    note.clampNoteOn();
    currentCells_ = nullptr;
    if (!set_)
        return 0;
    currentRow_ = std::clamp(row, 0, kMaxRows - 1);
    lastNote_ = note;
    keyFactor_ = keyFactorOf(note.key, referenceKey_);
    velocityFactor_ = velocityFactorOf(note.velocity);
    currentCells_ = getRowParameters(currentRow_, 0);
    if (!bound_ && routingRequest_ && context_)
        context_->routePart(*this, currentRow_);
    return 0;
}

// ------------------------------------------------------------------ definers

void Part_c::defineParameters(ParaSet_c*& /*sharedSet*/, int /*rows*/) {}
void Part_c::defineSharedParameters(ParaSet_c*& /*sharedSet*/) {}

void Part_c::resetRows(int a, int b) {
    PartGroup_c::resetParameters();
    if (!set_)
        return;
    {
        Guard guard(parameterLock());
        set_->resetRows(a, b);
    }
    const int first = std::max(a, 0);
    const int end = std::min(b, set_->rows());
    for (int r = first; r < end; ++r)
        parameterChanged(r, -1);
}

// ------------------------------------------------------------------ chunks

size_t Part_c::getChunkSize(int row) const {
    if (!set_)
        return 0;
    Guard guard(parameterLock());
    return set_->getChunkSize(row);
}

size_t Part_c::writeChunk(int row, uint8_t* buffer, size_t capacity) const {
    if (!set_)
        return 0;
    Guard guard(parameterLock());
    return set_->writeChunk(buffer, capacity, row);
}

size_t Part_c::readChunk(const uint8_t* buffer, size_t length, int row) {
    if (!set_)
        return 0;
    Guard guard(parameterLock());
    return set_->readChunk(buffer, length, row);
}

void Part_c::lockChunkReads(bool on) {
    if (set_)
        set_->lockReads(on);
}

// ------------------------------------------------------------------ values

Parameter_c* Part_c::getRowParameters(int row, int column) const {
    return set_ ? set_->cell(row, column) : nullptr;
}

void Part_c::setNormalized(int row, int column, float x) {
    if (!set_)
        return;
    set_->setNormalized(row, column, x);
    parameterChanged(row, column);
}

float Part_c::getNormalized(int row, int column) const { return set_ ? set_->getNormalized(row, column) : 0.0f; }

void Part_c::setValue(int row, int column, int32_t value) {
    if (!set_)
        return;
    set_->setValue(row, column, value);
    parameterChanged(row, column);
}

bool Part_c::setMax(int row, int column, int32_t value) { return set_ && set_->setMax(row, column, value); }
bool Part_c::setMin(int row, int column, int32_t value) { return set_ && set_->setMin(row, column, value); }

float Part_c::getDisplayValue(int row, int column) const {
    return set_ ? set_->getDisplayValue(row, column) : 0.0f;
}

int32_t Part_c::getValue(int row, int column) const { return set_ ? set_->getValue(row, column) : 0; }
bool Part_c::getBool(int row, int column) const { return set_ && set_->getBool(row, column); }

void Part_c::setBool(int row, int column, bool on) {
    if (!set_)
        return;
    set_->setBool(row, column, on);
    parameterChanged(row, column);
}

float Part_c::normalizedFromValue(int row, int column, int32_t value) const {
    if (!set_ || !set_->isRowValid(row))
        return 0.0f;
    const Parameter_c* p = set_->cell(row, std::clamp(column, 0, set_->columns() - 1));
    const ParamDesc* d = p ? p->descriptor() : nullptr;
    return d ? normalizedPosition(*d, value) : 0.0f;
}

int32_t Part_c::findOption(int row, int column, std::string_view text) const {
    return set_ ? set_->findOption(row, column, text) : 0;
}

float Part_c::getGain(int row, int column) const { return set_ ? set_->getGain(row, column) : 0.0f; }

// ------------------------------------------------------------------ texts

void Part_c::setText(int row, int column, std::string_view text) {
    if (!set_)
        return;
    {
        Guard guard(parameterLock());
        set_->setText(row, column, text);
    }
    parameterChanged(row, column);
}

void Part_c::getText(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (!set_)
        return;
    Guard guard(parameterLock());
    set_->getText(row, column, buffer, size);
}

void Part_c::getTextString(int row, int column, std::string& out) const {
    out.clear();
    if (!set_)
        return;
    Guard guard(parameterLock());
    set_->getTextString(row, column, out);
}

void Part_c::getUnit(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (set_)
        set_->getUnit(row, column, buffer, size);
}

void Part_c::getValueText(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (!set_)
        return;
    Guard guard(parameterLock()); // a text column shows its text
    set_->getValueText(row, column, buffer, size);
}

void Part_c::getName(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (set_)
        set_->getName(row, column, buffer, size);
}

float Part_c::getStepSize(int column, int direction) const {
    return set_ ? set_->getStepSize(column, direction) : 0.0f;
}

void Part_c::sendValue(int row, int filterColumn, int column, PartValueListener* listener, int tag) const {
    if (listener && (filterColumn == -1 || filterColumn == column || column == -1))
        listener->partValue(row, tag, getNormalized(row, column));
}

// ------------------------------------------------------------------ notification

void Part_c::parameterChanged(int row, int column) {
    if (column == -1)
        rowChanged(row);
    if (isPublished() && context_)
        context_->notifyLinkedParts(*this, row, column);
}

void Part_c::timingChanged() {
    publish();
    linkedNotify(3, -1, -1);
}

void Part_c::setTempo(float bpm) {
    if (bpm > 10.0f && std::fabs(bpm - tempo_) > 0.01f) {
        tempo_ = bpm;
        timingChanged();
    }
}

void Part_c::setReferenceKey(int key) { referenceKey_ = std::clamp(key, 24, 96); }

float Part_c::applyKeyScaling(float value, float amount) const { return scaleByKey(value, keyFactor_, amount); }

float Part_c::applyVelocityScaling(float value, float amount) const {
    return scaleByVelocity(value, velocityFactor_, amount);
}

void Part_c::bindOutput(InBuffer2_c* bus, int channel) {
    outputBus_ = bus;
    outputChannel_ = channel;
    bound_ = true;
}

void Part_c::bindOutputForRow(int row, InBuffer2_c* bus, int channel) {
    if (row == currentRow_)
        bindOutput(bus, channel);
}
