#pragma once

#include "systemreport.h"

#include <functional>
#include <memory>

// A section whose readings arrive one by one, each on its own time: it is
// handed on, in the order its readings were declared, once the last has
// come in. Shared by the callbacks that fill it.
class PartAssembly
{
public:
    using Done = std::function<void(const ReportPart &)>;

    static std::shared_ptr<PartAssembly> create(const QString &key, const QStringList &fieldKeys, Done done);

    // A reading arrives; a second one for the same key is ignored.
    void set(const QString &fieldKey, const QJsonValue &value);
    void flag(const char *troubleKey) { m_part.flag(troubleKey); }

private:
    PartAssembly(const QString &key, const QStringList &fieldKeys, Done done);

    ReportPart m_part;
    QList<bool> m_arrived;
    Done m_done;
};
