#pragma once
// The curve that shapes a column's normalised 0..1 position. A curve c with
// |c| <= 0.01 is linear; otherwise position = ln(1 + t(e^c - 1)) / c for the
// linear fraction t of the range. Pure functions: safe on any thread.
#include "framework/model/ParamDesc.h"

// The curved position of a linear fraction t.
float curvedPosition(double t, float curve);

// The inverse: the linear fraction of a curved position x (0..1).
double linearFraction(double x, float curve);

// The normalised position of integer value v in the column's range
// (0 when the range is empty).
float normalizedPosition(const ParamDesc& desc, int32_t v);
