#pragma once

#include <QPointer>

// A screen's coroutine resumes after its reply only if the screen still
// exists: the user may have gone back, or closed the window, while the
// request was on its way. Take a guard before the co_await, ask it after.
class ScreenGuard
{
public:
    explicit ScreenGuard(QObject *screen)
        : m_screen(screen)
    { }

    bool gone() const { return m_screen.isNull(); }

private:
    QPointer<QObject> m_screen;
};

// Loads of one screen overlap (refresh pressed twice, a new item meanwhile):
// only the latest one's reply is applied, however late an older one comes
// back. A screen keeps one LatestLoad and takes a ticket for each load.
class LatestLoad
{
public:
    class Ticket
    {
    public:
        // Gone, or overtaken by a later load of the same screen.
        bool superseded() const { return m_guard.gone() || m_loads->m_latest != m_number; }

    private:
        friend class LatestLoad;
        Ticket(QObject *screen, const LatestLoad *loads, quint64 number)
            : m_guard(screen)
            , m_loads(loads)
            , m_number(number)
        { }

        ScreenGuard m_guard;
        // Read only while the guard says the screen, which owns it, exists.
        const LatestLoad *m_loads;
        quint64 m_number;
    };

    // The screen passed is the one that owns this LatestLoad.
    [[nodiscard]] Ticket start(QObject *screen) { return Ticket(screen, this, ++m_latest); }

private:
    quint64 m_latest = 0;
};
