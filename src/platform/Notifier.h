#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// An event that any number of parties follow: each subscribes a handler and keeps the
// subscription, which ends when it goes. Handlers run in the order they subscribed. A handler
// may end its own or another subscription while the event runs; one that ended is not called.
// Either side may go first: a subscription outliving its notifier does nothing.

class TSubscription
{
public:
    TSubscription() = default;
    explicit TSubscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    TSubscription(TSubscription &&other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    TSubscription &operator=(TSubscription &&other) noexcept
    {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    TSubscription(const TSubscription &) = delete;
    TSubscription &operator=(const TSubscription &) = delete;
    ~TSubscription() { cancel(); }

    void cancel()
    {
        if (auto cancel = std::exchange(m_cancel, {})) cancel();
    }

private:
    std::function<void()> m_cancel;
};

template<class... TArgs>
class TNotifier
{
public:
    using THandler = std::function<void(TArgs...)>;

    TNotifier() = default;
    TNotifier(const TNotifier &) = delete;
    TNotifier &operator=(const TNotifier &) = delete;

    [[nodiscard]] TSubscription subscribe(THandler handler)
    {
        const std::uint64_t id = ++m_state->lastId;
        m_state->handlers.push_back({id, std::make_shared<THandler>(std::move(handler))});
        return TSubscription([weak = std::weak_ptr<TState>(m_state), id] {
            if (const auto state = weak.lock()) {
                auto &handlers = state->handlers;
                std::erase_if(handlers, [id](const TEntry &entry) { return entry.id == id; });
            }
        });
    }

    bool empty() const { return m_state->handlers.empty(); }

    void operator()(TArgs... args) const
    {
        // A copy of the list: handlers may subscribe or end subscriptions meanwhile.
        const std::vector<TEntry> handlers = m_state->handlers;
        for (const TEntry &entry : handlers)
            if (subscribed(entry.id)) (*entry.handler)(args...);
    }

private:
    struct TEntry
    {
        std::uint64_t id;
        std::shared_ptr<THandler> handler;
    };
    struct TState
    {
        std::uint64_t lastId = 0;
        std::vector<TEntry> handlers;
    };

    bool subscribed(std::uint64_t id) const
    {
        for (const TEntry &entry : m_state->handlers)
            if (entry.id == id) return true;
        return false;
    }

    std::shared_ptr<TState> m_state = std::make_shared<TState>();
};
