#include "grid/cxTimer.h"

#include <QTimer>

namespace {

class TcxToolkitTimer : public TcxTimer
{
public:
    TcxToolkitTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout) onTimeout();
        });
    }

    void start(int interval) override { m_timer.start(interval); }
    void setInterval(int interval) override { m_timer.setInterval(interval); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    int interval() const override { return m_timer.interval(); }

private:
    QTimer m_timer;
};

std::function<std::unique_ptr<TcxTimer>()> &factory()
{
    static std::function<std::unique_ptr<TcxTimer>()> s_factory;
    return s_factory;
}

} // namespace

std::unique_ptr<TcxTimer> TcxTimer::create()
{
    if (factory()) return factory()();
    return std::make_unique<TcxToolkitTimer>();
}

void TcxTimer::setFactory(std::function<std::unique_ptr<TcxTimer>()> made)
{
    factory() = std::move(made);
}
