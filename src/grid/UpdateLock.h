#pragma once

#include <exception>

// Keeps one beginUpdate()/endUpdate() pair balanced on every way out of a scope, so that the
// batched rebuild runs exactly once, when the outermost pair closes.
template<class TTarget>
class TUpdateLock
{
public:
    explicit TUpdateLock(TTarget &target)
        : m_target(target), m_exceptions(std::uncaught_exceptions())
    {
        m_target.beginUpdate();
    }
    // NOTE: closing the bracket can run the rebuild and its notifications, which may throw.
    // While another failure is already unwinding the stack, a second one would end the
    // program, so only then is it dropped.
    ~TUpdateLock() noexcept(false)
    {
        if (std::uncaught_exceptions() > m_exceptions) {
            try {
                m_target.endUpdate();
            } catch (...) {}
            return;
        }
        m_target.endUpdate();
    }
    TUpdateLock(const TUpdateLock &) = delete;
    TUpdateLock &operator=(const TUpdateLock &) = delete;

private:
    TTarget &m_target;
    int m_exceptions;
};
