#include "Timer.h"

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

} // namespace

std::unique_ptr<TcxTimer> TcxTimer::create()
{
    return std::make_unique<TcxToolkitTimer>();
}
