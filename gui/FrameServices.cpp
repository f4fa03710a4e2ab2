#include "gui/FrameServices.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace VSTGUI {

namespace {
std::mutex tableLock;
std::vector<std::pair<const CFrame*, FrameServices*>>& table() {
    static std::vector<std::pair<const CFrame*, FrameServices*>> services;
    return services;
}
} // namespace

void setFrameServices(const CFrame* frame, FrameServices* services) {
    std::lock_guard<std::mutex> guard(tableLock);
    auto& all = table();
    all.erase(std::remove_if(all.begin(), all.end(), [&](const auto& p) { return p.first == frame; }), all.end());
    if (frame && services) all.emplace_back(frame, services);
}

FrameServices* frameServices(const CFrame* frame) {
    std::lock_guard<std::mutex> guard(tableLock);
    for (const auto& p : table())
        if (p.first == frame) return p.second;
    return nullptr;
}

} // namespace VSTGUI
