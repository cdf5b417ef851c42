#pragma once

#include <functional>
#include <memory>
#include <utility>

// A repeating timer on the user-interface thread, behind an interface so that the scroll bar's
// repeat and the middle-button scrolling can be driven step by step instead of by the clock.
class TcxTimer
{
public:
    virtual ~TcxTimer() = default;

    // Starts, or starts again from nothing, with the interval in milliseconds.
    virtual void start(int interval) = 0;
    // Takes a new interval; a running timer starts counting again from nothing.
    virtual void setInterval(int interval) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;

    // Called at every expiry while the timer runs.
    std::function<void()> onTimeout;

    // The toolkit's timer, or whatever the factory set below makes.
    static std::unique_ptr<TcxTimer> create();
    // Lets a test hand out timers of its own to everything that creates one; an empty
    // function brings back the toolkit's.
    static void setFactory(std::function<std::unique_ptr<TcxTimer>()> factory);
};
