// A ticket's conversation of 1,000 messages in its panel: time from the
// panel's creation to the first painted frame holding them (the server's
// reply, its decoding, the wrapping of every bubble), then scrolling the
// whole conversation frame by frame. Prints the figures and the process's
// peak resident memory.
#include "core/apiservice.h"
#include "core/configuration.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "ui/conversation/conversationpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int MessageCount = 1000;
constexpr qint64 TicketId = 7;

qint64 peakResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QByteArray messagesReply()
{
    QJsonArray messages;
    for (int i = 1; i <= MessageCount; ++i) {
        const bool staff = i % 2 == 0;
        messages.append(QJsonObject { { u"id"_s, i }, { u"ticket_id"_s, TicketId },
            { u"sender"_s, staff ? u"admin"_s : u"user"_s },
            { u"sender_name"_s, staff ? u"Marc Petit"_s : u"Claire Duval"_s },
            { u"message"_s,
                QString(u"Message %1 : l'écran reste noir après le logo. "_s.arg(i)).repeated(1 + i % 6) },
            { u"created_at"_s, u"2026-12-07 09:14:03"_s } });
    }
    return QJsonDocument(QJsonObject { { u"success"_s, true }, { u"messages"_s, messages } })
        .toJson(QJsonDocument::Compact);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_STATE_HOME", config.path().toUtf8());
    QApplication app(argc, argv);

    const QByteArray body = messagesReply();
    HttpTestServer server;
    if (!server.listen())
        return 1;
    server.setHandler([&body](const TestRequest &request) {
        if (request.path == u"/ticket/messages.php")
            return TestResponse { 200, body, 0 };
        return TestResponse::json({ { u"success"_s, true } });
    });
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    UserSettings settings(UserSettings::defaultFilePath());
    settings.writeInteger(UserSettings::UserId, 1);
    CredentialStore credentials(u"norvik-bench"_s, config.filePath(u"secrets"_s));
    // Kept in memory at once; the keyring's answer does not matter here.
    credentials.store(CredentialStore::Kind::UserSecret, u"secret"_s);
    APIService api(configuration, credentials);
    WebSocketService channel(configuration, settings);
    Conversations conversations(api, channel, settings, credentials, config.filePath(u"outbox.json"_s));

    QElapsedTimer clock;
    clock.start();
    ConversationPanel panel(conversations, TicketId, ConversationPanel::Side::User);
    panel.resize(640, 600);
    panel.show();
    auto *list = panel.findChild<QListView *>(u"messages"_s);
    while (list->model()->rowCount() < MessageCount && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (list->model()->rowCount() < MessageCount) {
        std::fprintf(stderr, "the conversation never arrived\n");
        return 1;
    }
    list->viewport()->repaint();
    std::printf("messages: %d, reply body: %.1f KiB\n", MessageCount, body.size() / 1024.0);
    std::printf("panel created -> first frame with every message: %.1f ms\n", clock.nsecsElapsed() / 1e6);

    // From the bottom (where the panel opens) to the top, one wheel notch (120 px) per frame.
    QScrollBar *bar = list->verticalScrollBar();
    int frames = 0;
    QElapsedTimer scroll;
    scroll.start();
    while (bar->value() > 0 && frames < 100000) {
        bar->setValue(bar->value() - 120);
        list->viewport()->repaint();
        ++frames;
    }
    const double seconds = scroll.nsecsElapsed() / 1e9;
    std::printf("scrolled %d px in %d frames: %.2f ms per step (%.0f frames per second)\n", bar->maximum(),
        frames, seconds * 1000 / qMax(frames, 1), frames / qMax(seconds, 1e-9));
    std::printf("peak resident memory: %.1f MiB\n", peakResidentKiB() / 1024.0);
    return 0;
}
