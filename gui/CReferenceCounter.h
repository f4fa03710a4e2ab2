#pragma once
// The shared ownership rule of views, contexts, bitmaps and drag containers:
// the creator holds the first reference; `forget` at the last one destroys.
// Not locked: toolkit objects live on the editor's thread.
#include <cstdint>

namespace VSTGUI {

class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;

    virtual void forget() {
        if (nbReference-- == 1) delete this;
    }
    virtual void remember() { ++nbReference; }
    int32_t getNbReference() const { return nbReference; }

private:
    int32_t nbReference = 1;
};

} // namespace VSTGUI
