#include "framework/platform/Timer_c.h"

Timer_c::~Timer_c() {
    stop();
    callback_.store(nullptr);
}

void Timer_c::store(Callback callback, uint32_t intervalMs, void* context) {
    interval_.store(intervalMs);
    context_.store(context);
    callback_.store(callback);
}

bool Timer_c::start(Callback callback, uint32_t intervalMs, void* context) {
    store(callback, intervalMs, context);
    return timer_.start(callback, context, intervalMs);
}

bool Timer_c::startFromAudio(Callback callback, uint32_t intervalMs, void* context) {
    store(callback, intervalMs, context);
    return timer_.startQuietly(callback, context, intervalMs);
}

void Timer_c::stop() { timer_.stop(); }
