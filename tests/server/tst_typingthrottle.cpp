#include "testing.h"
#include "typingthrottle.h"

// One typing signal per ticket and interval, each ticket on its own, the
// interval counted from the signal that went out.
class TestTypingThrottle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pass_oncePerTicketAndInterval()
    {
        qint64 now = 1000000;
        TypingThrottle throttle(3000, [&now] { return now; });
        QVERIFY(throttle.pass(1));
        QVERIFY(!throttle.pass(1));
        QVERIFY(throttle.pass(2));
        now += 2999;
        QVERIFY(!throttle.pass(1));
        now += 1;
        QVERIFY(throttle.pass(1));
        // Held back signals do not move the interval on; ticket 2 went out
        // 3000 ms ago and was forgotten meanwhile.
        QVERIFY(throttle.pass(2));
        now += 1500;
        QVERIFY(!throttle.pass(1));
        now += 1500;
        QVERIFY(throttle.pass(1));
    }
};

QTEST_GUILESS_MAIN(TestTypingThrottle)
#include "tst_typingthrottle.moc"
