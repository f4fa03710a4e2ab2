#pragma once
// A node of the part tree: passes the sample rate, start, reset and note
// events down to up to 64 children. Every Part_c is a PartGroup_c.
//
// Threads: note events, start, reset and kill run on the audio thread and
// neither allocate nor lock. The tree does not own its children.
#include "framework/model/Note_c.h"

class Part_c;
class PartContext;

class PartGroup_c {
public:
    static constexpr int kMaxChildren = 64;

    PartGroup_c() = default;
    virtual ~PartGroup_c() = default;
    PartGroup_c(const PartGroup_c&) = delete;
    PartGroup_c& operator=(const PartGroup_c&) = delete;

    // Stores the rate and its inverse (1e9 for a zero rate), then tells every child.
    virtual void setSampleRate(float rate);
    virtual void start();
    virtual void reset();
    virtual void resetParameters();
    // Every child hears parameterChanged(row, -1).
    virtual void rowChanged(int row);
    // Note events reach only active children.
    virtual void noteOn(int row, Note_c note, bool reused, bool legato);
    virtual void noteOff(int row, Note_c note);
    virtual void kill();

    // The index is clamped into 0..63.
    void setChild(int index, Part_c* child);
    Part_c* child(int index) const;
    int childCount() const { return childCount_; }

    float sampleRate() const { return rate_; }
    float inverseSampleRate() const { return inverseRate_; }
    PartContext* context() const { return context_; }

protected:
    PartContext* context_ = nullptr;

private:
    float rate_ = -1.0f;
    float inverseRate_ = 0.0f;
    Part_c* children_[kMaxChildren] = {};
    int childCount_ = 0;
};
