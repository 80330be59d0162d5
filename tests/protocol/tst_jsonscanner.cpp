#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/jsonscanner.h"
#include "protocol/records.h"
#include "testing.h"

namespace {

// The administrator list decoded through the document reader only: what the
// quick path must agree with, result for result and error for error.
TicketResponse referenceDecode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    TicketResponse response;
    response.success = r.requiredBool(u"success");
    response.tickets
        = r.requiredList<Ticket>(u"tickets", [](const JsonReader &e) { return Ticket::fromJson(e); });
    return response;
}

// The decoded list, or the error's kind and member.
struct Outcome
{
    std::optional<TicketResponse> response;
    QString error;

    explicit Outcome(const std::function<TicketResponse()> &decode)
    {
        try {
            response = decode();
        } catch (const DecodingError &e) {
            error = u"%1 %2"_s.arg(int(e.kind)).arg(e.key);
        }
    }
};

} // namespace

class TestJsonScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticketList_agreesWithTheDocumentReader_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        const auto row = [](const char *name, const QByteArray &body, bool decodes) {
            QTest::newRow(name) << body << decodes;
        };
        row("every field",
            R"({"success":true,"tickets":[{"id":9,"user_id":4,"titre":"Écran","description":"d",)"
            R"("priorite":"haute","status":"fermé","capture_base64":"iVBO","created_at":"2025-03-07 )"
            R"(14:05:00","message":"m","nom":"Roy","prenom":"Ana","societe":"S","poste":"B 12",)"
            R"("telephone":"06"}]})",
            true);
        row("unknown members of every kind",
            R"({"x":[1,{"a":[null,true,false,-1.5e3]}],"success":true,"y":"\u00e9",)"
            R"("tickets":[{"id":1,"extra":{"deep":[[[]]]},"n":null}]})",
            true);
        row("repeated member: the last counts",
            R"({"success":true,"tickets":[{"id":1,"titre":"a","titre":null}]})", true);
        row("escapes",
            "{\"success\":true,\"tickets\":[{\"id\":1,\"titre\":\"q\\\"b\\\\s\\/"
            "n\\nt\\tu\\b\\f\\r\\u00e9\\ud83d\\ude00\","
            R"("message":"\ud800 lone","capture_base64":"ab\/cd+=="}]})",
            true);
        row("raw UTF-8",
            "{\"success\":true,\"tickets\":[{\"id\":1,\"titre\":\"\xc3\xa9\xf0\x9f\x98\x80\xef\xbb\xbfx\","
            "\"nom\":\"\xef\xbf\xbe\"}]}",
            true);
        row("invalid UTF-8: overlong", "{\"success\":true,\"tickets\":[{\"id\":1,\"titre\":\"\xc0\x80\"}]}",
            false);
        row("invalid UTF-8 in an unknown member", "{\"success\":true,\"z\":\"\xff\",\"tickets\":[]}", false);
        row("whole doubles", R"({"success":true,"tickets":[{"id":12.0,"user_id":1E2},{"id":-0}]})", true);
        row("fraction", R"({"success":true,"tickets":[{"id":12.5}]})", false);
        row("largest id", R"({"success":true,"tickets":[{"id":9223372036854775807}]})", true);
        row("id past 64 bits", R"({"success":true,"tickets":[{"id":9223372036854775808}]})", false);
        row("lenient number forms", R"({"success":true,"tickets":[{"id":1.,"user_id":.5}]})", false);
        // Lenient where the document reader is, since it is what the rest reads.
        row("raw control character", "{\"success\":true,\"tickets\":[{\"id\":1,\"titre\":\"a\x01\tb\"}]}",
            true);
        row("byte order mark", "\xef\xbb\xbf{\"success\":true,\"tickets\":[]}", true);
        row("nested past the quick limit",
            "{\"success\":true,\"x\":" + QByteArray(600, '[') + QByteArray(600, ']') + ",\"tickets\":[]}",
            true);
        row("nested past any limit",
            "{\"success\":true,\"x\":" + QByteArray(5000, '[') + QByteArray(5000, ']') + ",\"tickets\":[]}",
            false);
        row("trailing garbage", R"({"success":true,"tickets":[]} x)", false);
        row("missing id", R"({"success":true,"tickets":[{"id":1},{"titre":"t"}]})", false);
        row("titre as number", R"({"success":true,"tickets":[{"id":1,"titre":4}]})", false);
        row("nulls in optional fields",
            R"({"success":true,"tickets":[{"id":1,"user_id":null,"capture_base64":null}]})", true);
        row("success null", R"({"success":null,"tickets":[]})", false);
        row("element not an object", R"({"success":true,"tickets":[[]]})", false);
        row("truncated", R"({"success":true,"tickets":[{"id":1)", false);
    }

    void ticketList_agreesWithTheDocumentReader()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        const Outcome quick([&] { return TicketResponse::decode(body); });
        const Outcome reference([&] { return referenceDecode(body); });
        QCOMPARE(quick.response.has_value(), decodes);
        // The same error, or none: both decoded then.
        QCOMPARE(quick.error, reference.error);
        if (decodes) {
            QCOMPARE(quick.response->success, reference.response->success);
            // A differing list is reported with the first index that differs.
            QCOMPARE(quick.response->tickets, reference.response->tickets);
        }
    }

    void malformed_isRefused_data()
    {
        // What the quick reader must refuse by itself, though the document reader
        // behind it may still accept some of it; the rest is in the table above.
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("lone continuation byte") << "[\"\x80\"]"_ba;
        QTest::newRow("unknown escape") << R"(["\q"])"_ba;
        QTest::newRow("unterminated string") << "[\"abc"_ba;
        QTest::newRow("exponent without digits") << "[1e+]"_ba;
        QTest::newRow("misspelt literal") << "[tru]"_ba;
        QTest::newRow("leading comma") << "[,1]"_ba;
    }

    void malformed_isRefused()
    {
        QFETCH(QByteArray, json);
        JsonScanner s(json);
        QVERIFY_THROWS_EXCEPTION(DecodingError, {
            s.skipValue();
            s.expectEnd();
        });
    }
};

QTEST_GUILESS_MAIN(TestJsonScanner)
#include "tst_jsonscanner.moc"
