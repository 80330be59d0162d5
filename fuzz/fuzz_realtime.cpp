// Feeds arbitrary bytes to the real-time channel's message handling and to
// the ticket decoder. Any crash, hang or sanitizer report is a fault; so is a
// decoded ticket that does not survive being encoded and decoded again, and a
// pushed conversation message of neither side or that does not survive its
// own encoding.

#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/records.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringDecoder>
#include <cstdint>
#include <cstdio>

namespace {

// Built once by LLVMFuzzerInitialize: libFuzzer passes nothing along.
WebSocketService *channel = nullptr;

void checkRoundTrip(const Ticket &ticket)
{
    if (Ticket::fromJson(ticket.toJson()) != ticket)
        __builtin_trap();
}

void checkMessage(const ConversationMessage &message)
{
    if (message.sender != u"admin" && message.sender != u"user")
        __builtin_trap();
    if (ConversationMessage::fromJson(JsonReader(message.toJson())) != message)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Every message is logged; the log is of no interest here and slows the
    // run, so standard output is dropped. libFuzzer reports on stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    static QCoreApplication application(*argc, *argv);
    static UserSettings settings(UserSettings::defaultFilePath());
    static WebSocketService service(Configuration(), settings);
    channel = &service;
    QObject::connect(&service, &WebSocketService::newTicket, &service, checkRoundTrip);
    QObject::connect(&service, &WebSocketService::messagePushed, &service, checkMessage);
    QObject::connect(&service, &WebSocketService::ticketClosed, &service,
        [](qint64, const QString &message) { (void)message.size(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // As a text frame would bring it (the socket checks UTF-8 there)...
    channel->handleMessage(QString::fromUtf8(bytes));
    // ...and as a binary frame, which counts only when it is valid UTF-8.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        channel->handleMessage(text);

    // The ticket decoder on its own, as the new-ticket push uses it.
    try {
        checkRoundTrip(Ticket::fromJson(JsonReader::parseObject(bytes)));
    } catch (const DecodingError &) { }
    return 0;
}
