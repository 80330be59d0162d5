#include "partassembly.h"

#include <algorithm>
#include <utility>

std::shared_ptr<PartAssembly> PartAssembly::create(const QString &key, const QStringList &fieldKeys, Done done)
{
    return std::shared_ptr<PartAssembly>(new PartAssembly(key, fieldKeys, std::move(done)));
}

PartAssembly::PartAssembly(const QString &key, const QStringList &fieldKeys, Done done)
    : m_part { key, {}, {} }
    , m_arrived(fieldKeys.size(), false)
    , m_done(std::move(done))
{
    for (const QString &fieldKey : fieldKeys)
        m_part.add(fieldKey, QJsonValue());
}

void PartAssembly::set(const QString &fieldKey, const QJsonValue &value)
{
    for (qsizetype i = 0; i < m_part.fields.size(); ++i) {
        if (m_part.fields[i].key != fieldKey || m_arrived[i])
            continue;
        m_part.fields[i].value = value;
        m_arrived[i] = true;
        if (std::all_of(m_arrived.cbegin(), m_arrived.cend(), [](bool arrived) { return arrived; }) && m_done)
            std::exchange(m_done, nullptr)(m_part);
        return;
    }
}
