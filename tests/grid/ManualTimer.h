#pragma once

// A timer that runs on a clock the test advances, so that repeats are checked to the
// millisecond without waiting.

#include "grid/cxTimer.h"

namespace testsupport {

struct TManualClock
{
    int now = 0;
};

class TManualTimer : public TcxTimer
{
public:
    explicit TManualTimer(TManualClock &clock) : m_clock(clock) {}

    void start(int interval) override
    {
        m_interval = interval;
        m_active = true;
        m_elapsed = 0;
        ++m_starts;
    }
    void setInterval(int interval) override
    {
        m_interval = interval;
        m_elapsed = 0;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int interval() const override { return m_interval; }

    // Moves the clock on by `milliseconds`, one at a time, firing at every expiry.
    void advance(int milliseconds)
    {
        for (int i = 0; i < milliseconds; ++i) {
            ++m_clock.now;
            if (!m_active) continue;
            if (++m_elapsed < m_interval) continue;
            m_elapsed = 0;
            if (onTimeout) onTimeout();
        }
    }

    int starts() const { return m_starts; }

private:
    TManualClock &m_clock;
    int m_interval = 0;
    int m_elapsed = 0;
    bool m_active = false;
    int m_starts = 0;
};

} // namespace testsupport
