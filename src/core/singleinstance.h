#pragma once

#include <QObject>
#include <QString>

// Keeps one running program per desktop session. The first program owns a
// name on the session bus; a later start asks it to come forward and leaves.
// Without a session bus every start runs on its own.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.norvik.NorvikSupport")

public:
    static constexpr auto ServiceName = "org.norvik.NorvikSupport";
    static constexpr auto ObjectPath = "/org/norvik/NorvikSupport";

    enum class Role {
        Primary, // this process owns the name and answers Activate
        Secondary, // another process runs and was asked to come forward
        Alone, // no session bus: nothing to coordinate with
        Failed, // the running program did not answer
    };

    explicit SingleInstance(QObject *parent = nullptr);

    // Claims the name, or hands the activation token to the owner.
    Role claim(const QString &activationToken);

public Q_SLOTS:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Activate(const QString &activationToken);

Q_SIGNALS:
    void activationRequested(const QString &activationToken);
};
