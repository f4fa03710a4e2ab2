#pragma once
// A view for the toolkit's tests: paints its rectangle in its colour, writes
// down every event it gets, and counts itself alive.
#include <string>
#include <vector>

#include "gui/CDrawContext.h"
#include "gui/CView.h"

namespace viewtest {
using namespace VSTGUI;

class Probe : public CView {
public:
    Probe(const CRect& size, const char* name, std::vector<std::string>& log, int* alive = nullptr)
        : CView(size), name_(name), log_(log), alive_(alive) {
        if (alive_) ++*alive_;
    }
    ~Probe() override {
        if (alive_) --*alive_;
    }
    void draw(CDrawContext* c) override {
        log_.push_back(name_ + " draw");
        c->setFillColor(colour);
        c->drawRect(size_, kDrawFilled);
        setDirty(false);
    }
    void mouse(CDrawContext*, CPoint& where, int32_t buttons) override {
        log_.push_back(name_ + " mouse " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                       std::to_string(buttons));
    }
    int32_t onKeyDown(VstKeyCode&) override {
        log_.push_back(name_ + " key");
        return keyAnswer;
    }
    bool onDrop(CDrawContext*, CDragContainer*, const CPoint&) override {
        log_.push_back(name_ + " drop");
        return true;
    }
    void onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) override { log_.push_back(name_ + " enter"); }
    void onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) override { log_.push_back(name_ + " leave"); }
    void onDragMove(CDrawContext*, CDragContainer*, const CPoint&) override { log_.push_back(name_ + " move"); }
    bool onWheel(CDrawContext*, const CPoint& where, int32_t axis, float) override {
        log_.push_back(name_ + " wheel " + std::to_string(where.h) + "," + std::to_string(where.v) + " axis " +
                       std::to_string(axis));
        return true;
    }
    void looseFocus(CDrawContext*) override { log_.push_back(name_ + " loose"); }

    CColor colour = kRedCColor;
    int32_t keyAnswer = -1;

private:
    std::string name_;
    std::vector<std::string>& log_;
    int* alive_;
};

} // namespace viewtest
