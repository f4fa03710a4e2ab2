#pragma once
// What a part asks of the plug-in object that owns it. Implemented by the
// plug-in base; a part without context skips these calls.
class Part_c;

class PartContext {
public:
    // A published part's parameter changed: tell the parts linked to it.
    virtual void notifyLinkedParts(Part_c& part, int row, int column) = 0;
    // A generator without bound output asks for its route at note-on.
    virtual void routePart(Part_c& part, int row) = 0;

protected:
    ~PartContext() = default;
};
