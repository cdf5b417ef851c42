#include "platform/Notifier.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// Events followed by many: every subscriber hears, in order, and ending a subscription at any
// time (even inside the event, even after the notifier went) is safe.

TEST(Notifier, EverySubscriberHearsInTheOrderTheySubscribed)
{
    TNotifier<int> changed;
    std::string heard;
    TSubscription first = changed.subscribe([&](int n) { heard += "a" + std::to_string(n); });
    TSubscription second = changed.subscribe([&](int n) { heard += "b" + std::to_string(n); });
    changed(1);
    EXPECT_EQ(heard, "a1b1");

    first.cancel();
    changed(2);
    EXPECT_EQ(heard, "a1b1b2");
    {
        TSubscription third = changed.subscribe([&](int) { heard += "c"; });
        changed(3);
    } // the subscription ends with its scope
    changed(4);
    EXPECT_EQ(heard, "a1b1b2b3cb4");
}

TEST(Notifier, EndingSubscriptionsWhileTheEventRuns)
{
    TNotifier<> changed;
    std::string heard;
    std::optional<TSubscription> later;
    TSubscription first = changed.subscribe([&] {
        heard += "a";
        later.reset(); // the one after it is not called any more
    });
    later = changed.subscribe([&] { heard += "b"; });
    TSubscription self;
    self = changed.subscribe([&] {
        heard += "c";
        self.cancel(); // its own, once
    });
    changed();
    changed();
    EXPECT_EQ(heard, "aca");
    EXPECT_FALSE(changed.empty());
    first.cancel();
    EXPECT_TRUE(changed.empty());
}

TEST(Notifier, ASubscriptionMayOutliveItsNotifier)
{
    TSubscription kept;
    {
        TNotifier<> gone;
        kept = gone.subscribe([] {});
    }
    kept.cancel(); // nothing to end; under the sanitizers a dangling notifier would show here
}
