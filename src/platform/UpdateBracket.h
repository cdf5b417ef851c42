#pragma once

#include <exception>

// Keeps one beginUpdate()/endUpdate() pair of a target balanced on every way out of a scope.
// Closing the bracket runs the work that was collected inside it, and that may throw. While
// another failure is already unwinding the stack, a second one would end the program, so only
// then is it dropped: the first failure is the one the error box shows.
template<class TTarget>
class TUpdateBracket
{
public:
    explicit TUpdateBracket(TTarget &target)
        : m_target(target), m_exceptions(std::uncaught_exceptions())
    {
        m_target.beginUpdate();
    }
    ~TUpdateBracket() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_exceptions) {
            m_target.endUpdate();
            return;
        }
        try {
            m_target.endUpdate();
        } catch (...) {}
    }
    TUpdateBracket(const TUpdateBracket &) = delete;
    TUpdateBracket &operator=(const TUpdateBracket &) = delete;

private:
    TTarget &m_target;
    int m_exceptions;
};
