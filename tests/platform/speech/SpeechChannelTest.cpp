#include "platform/speech/SpeechChannel.h"
#include "support/TestSupport.h"

// The channel calls its consumer outside its lock, so a call may ask the
// channel what it holds; one that waits on something of its own is told of
// a cancel once, and a function replaced is never called again.
TEST(SpeechChannel, CallsMayAskTheChannelAndACancelIsToldOnce)
{
    SpeechChannel channel(8, 8);
    std::vector<qsizetype> held;
    channel.setWakeUp([&] { held.push_back(channel.available()); });
    int cancels = 0;
    channel.setOnCancel([&] { cancels += channel.isCancelled(); });
    const qint16 samples[] = {1, 2, 3};
    ASSERT_TRUE(channel.write(samples, 3));
    channel.acknowledgeWakeUp();
    channel.finish(SpeechChannel::Result::Completed);
    EXPECT_EQ(held, (std::vector<qsizetype>{3, 3}));
    channel.cancel();
    channel.cancel();
    EXPECT_EQ(cancels, 1);

    SpeechChannel other(8, 8);
    other.setOnCancel([&] { ++cancels; });
    other.setOnCancel(nullptr);
    other.cancel();
    EXPECT_EQ(cancels, 1);
}
