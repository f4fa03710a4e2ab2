#pragma once
// Receives a part's normalised value (Part_c::sendValue).
class PartValueListener {
public:
    virtual void partValue(int row, int tag, float normalized) = 0;

protected:
    ~PartValueListener() = default;
};
