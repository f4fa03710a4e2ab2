#include "gui/raster/Coverage.h"

#include <algorithm>
#include <cmath>

namespace raster {

Coverage::Coverage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(width_ + 2),
      area_(static_cast<size_t>(stride_) * static_cast<size_t>(height_), 0.0) {}

void Coverage::add(int x, int y, double amount) {
    if (y < 0 || y >= height_) return;
    x = std::clamp(x, 0, stride_ - 1);
    area_[static_cast<size_t>(y) * static_cast<size_t>(stride_) + static_cast<size_t>(x)] += amount;
}

void Coverage::line(double x0, double y0, double x1, double y1) {
    if (y0 == y1) return;
    double direction = 1.0;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        direction = -1.0;
    }
    const double dxdy = (x1 - x0) / (y1 - y0);
    const int firstRow = std::max(0, static_cast<int>(std::floor(y0)));
    const int endRow = std::min(height_, static_cast<int>(std::ceil(y1)));
    for (int y = firstRow; y < endRow; ++y) {
        const double top = std::max(static_cast<double>(y), y0);
        const double bottom = std::min(static_cast<double>(y + 1), y1);
        const double dy = bottom - top;
        if (dy <= 0.0) continue;
        const double xTop = x0 + (top - y0) * dxdy;
        const double xBottom = x0 + (bottom - y0) * dxdy;
        const double d = dy * direction;
        const double left = std::clamp(std::min(xTop, xBottom), 0.0, static_cast<double>(width_));
        const double right = std::clamp(std::max(xTop, xBottom), 0.0, static_cast<double>(width_));
        const double leftFloor = std::floor(left);
        const int leftPixel = static_cast<int>(leftFloor);
        const int rightPixel = static_cast<int>(std::ceil(right));
        if (rightPixel <= leftPixel + 1) {
            // Within one pixel: the part of it right of the edge's middle.
            const double middle = 0.5 * (left + right) - leftFloor;
            add(leftPixel, y, d * (1.0 - middle));
            add(leftPixel + 1, y, d * middle);
            continue;
        }
        // Across pixels: the trapezoid's area split at the pixel edges.
        const double s = 1.0 / (right - left);
        const double leftFraction = left - leftFloor;
        const double firstArea = 0.5 * s * (1.0 - leftFraction) * (1.0 - leftFraction);
        const double rightFraction = right - std::ceil(right) + 1.0;
        const double lastArea = 0.5 * s * rightFraction * rightFraction;
        add(leftPixel, y, d * firstArea);
        if (rightPixel == leftPixel + 2) {
            add(leftPixel + 1, y, d * (1.0 - firstArea - lastArea));
        } else {
            const double second = s * (1.5 - leftFraction);
            add(leftPixel + 1, y, d * (second - firstArea));
            for (int x = leftPixel + 2; x < rightPixel - 1; ++x) add(x, y, d * s);
            const double beforeLast = second + (rightPixel - leftPixel - 3) * s;
            add(rightPixel - 1, y, d * (1.0 - beforeLast - lastArea));
        }
        add(rightPixel, y, d * lastArea);
    }
}

std::vector<uint8_t> Coverage::result() const {
    std::vector<uint8_t> out(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    for (int y = 0; y < height_; ++y) {
        double sum = 0.0;
        const double* row = area_.data() + static_cast<size_t>(y) * static_cast<size_t>(stride_);
        for (int x = 0; x < width_; ++x) {
            sum += row[x];
            const double covered = std::min(1.0, std::fabs(sum));
            out[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(covered * 255.0 + 0.5);
        }
    }
    return out;
}

} // namespace raster
