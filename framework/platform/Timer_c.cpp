#include "framework/platform/Timer_c.h"

Timer_c::~Timer_c() {
    stop();
    callback_.store(nullptr);
}

bool Timer_c::start(Callback callback, uint32_t intervalMs, void* context) {
    interval_.store(intervalMs);
    context_.store(context);
    callback_.store(callback);
    return timer_.start(callback, context, intervalMs);
}

void Timer_c::stop() { timer_.stop(); }
