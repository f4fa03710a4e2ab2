#include "framework/model/ParaSet_c.h"
#include <algorithm>
#include <new>

ParaSet_c::ParaSet_c(SetTypeId id, int rows, int columns) : typeId_(id), columns_(columns), rows_(rows) {
    if (rows <= 0 || columns <= 0)
        return;
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(columns);
    if (count / static_cast<size_t>(rows) != static_cast<size_t>(columns))
        return;
    cells_ = new (std::nothrow) Parameter_c[count];
    descriptors_ = new (std::nothrow) ParamDesc[static_cast<size_t>(columns)];
    if (!cells_ || !descriptors_)
        return;
    for (int c = 0; c < columns; ++c)
        cells_[c].setDescriptor(&descriptors_[c]);
    valid_ = true;
}

ParaSet_c::~ParaSet_c() {
    if (cells_) {
        const size_t count = static_cast<size_t>(rows_) * static_cast<size_t>(columns_);
        for (size_t i = 0; i < count; ++i)
            cells_[i].releasePrivateDescriptor();
    }
    delete[] cells_;
    delete[] descriptors_;
}

int ParaSet_c::clampRow(int row) const { return std::clamp(row, 0, rows_ - 1); }

Parameter_c* ParaSet_c::cell(int row, int column) {
    if (!isRowValid(row) || column < 0 || column >= columns_)
        return nullptr;
    return &cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
}

const Parameter_c* ParaSet_c::cell(int row, int column) const {
    return const_cast<ParaSet_c*>(this)->cell(row, column);
}

Parameter_c* ParaSet_c::clampedCell(int row, int column) {
    if (!isRowValid(row))
        return nullptr;
    return cell(row, std::clamp(column, 0, columns_ - 1));
}

const Parameter_c* ParaSet_c::clampedCell(int row, int column) const {
    return const_cast<ParaSet_c*>(this)->clampedCell(row, column);
}

void ParaSet_c::resetRow(int row) { resetRows(row, row + 1); }

void ParaSet_c::resetRows(int first, int end) {
    // A range wholly outside the set names no row: nothing is reset.
    if (!valid_ || isReadLocked() || first >= rows_ || end <= 0)
        return;
    end = std::min(end, rows_);
    first = std::clamp(first, 0, std::max(0, end - 1));
    end = std::clamp(end, first + 1, rows_);
    for (int r = first; r < end; ++r)
        for (int c = 0; c < columns_; ++c)
            cell(r, c)->resetToDefault();
}

void ParaSet_c::resetAll() { resetRows(0, rows_); }

void ParaSet_c::copyRowZeroToAll() {
    if (!valid_)
        return;
    for (int r = 1; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c)
            cell(r, c)->copyFrom(*cell(0, c));
    defined_ = true;
}

void ParaSet_c::setNormalized(int row, int column, float x) {
    if (Parameter_c* p = clampedCell(row, column))
        p->setNormalized(x);
}

float ParaSet_c::getNormalized(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->normalized() : 0.0f;
}

void ParaSet_c::setValue(int row, int column, int32_t v) {
    if (Parameter_c* p = clampedCell(row, column))
        p->setValue(v);
}

bool ParaSet_c::setMax(int row, int column, int32_t v) {
    Parameter_c* p = clampedCell(row, column);
    return p && p->setMax(v);
}

bool ParaSet_c::setMin(int row, int column, int32_t v) {
    Parameter_c* p = clampedCell(row, column);
    return p && p->setMin(v);
}

bool ParaSet_c::setCurve(int row, int column, float curve) {
    Parameter_c* p = cell(row, column);
    if (!p || !p->descriptor())
        return false;
    p->setCurve(curve);
    refreshColumn(column, p->descriptor());
    return true;
}

bool ParaSet_c::setMaxInfinite(int row, int column, bool on) {
    Parameter_c* p = cell(row, column);
    if (!p || !p->descriptor())
        return false;
    p->setMaxInfinite(on);
    refreshColumn(column, p->descriptor());
    return true;
}

void ParaSet_c::refreshColumn(int column, const ParamDesc* desc) {
    for (int r = 0; r < rows_; ++r) {
        Parameter_c* p = cell(r, column);
        if (p && p->descriptor() == desc)
            p->refreshDerived();
    }
}

float ParaSet_c::getDisplayValue(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->displayValue() : 0.0f;
}

int32_t ParaSet_c::getValue(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->value() : 0;
}

void ParaSet_c::setBool(int row, int column, bool on) {
    if (Parameter_c* p = clampedCell(row, column))
        p->setBool(on);
}

bool ParaSet_c::getBool(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p && p->isOn();
}

float ParaSet_c::normalizedDefault(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->normalizedDefault() : 0.0f;
}

int32_t ParaSet_c::findOption(int row, int column, std::string_view text) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->findOption(text) : 0;
}

float ParaSet_c::getGain(int row, int column) const {
    const Parameter_c* p = clampedCell(row, column);
    return p ? p->gain() : 0.0f;
}

void ParaSet_c::setText(int row, int column, std::string_view text) {
    if (Parameter_c* p = clampedCell(row, column))
        p->setText(text);
}

void ParaSet_c::getText(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (const Parameter_c* p = clampedCell(row, column))
        p->getText(buffer, size);
}

void ParaSet_c::getTextString(int row, int column, std::string& out) const {
    out.clear();
    if (const Parameter_c* p = clampedCell(row, column))
        p->getTextString(out);
}

float ParaSet_c::getStepSize(int column, int direction) const {
    const Parameter_c* p = clampedCell(0, column);
    return p ? p->getStepSize(direction) : 0.0f;
}

void ParaSet_c::getUnit(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (const Parameter_c* p = clampedCell(row, column))
        p->getUnit(buffer, size);
}

void ParaSet_c::getValueText(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (const Parameter_c* p = clampedCell(row, column))
        p->formatValue(buffer, size);
}

void ParaSet_c::getName(int row, int column, char* buffer, size_t size) const {
    copyBounded(buffer, size, "");
    if (const Parameter_c* p = clampedCell(row, column))
        p->getName(buffer, size);
}

Parameter_c* ParaSet_c::getRowParameters(int row) { return cell(row, 0); }
