// The request and reply buffers as they go over the wire: whole size, type, parameter cut like a
// C string, every byte after it zero, also when a buffer is filled again with a shorter one.

#include "comm/replybuffer.h"
#include "comm/reqbuffer.h"

#include <QtTest>

#include <algorithm>

class TestReqBuffer : public QObject
{
    Q_OBJECT

private slots:
    void request_data();
    void request();
    void reply();
};

void TestReqBuffer::request_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("param");
    QTest::addColumn<QByteArray>("sent");
    const QByteArray longest(ReqBuffer::kParamLimit + 10, 'x');
    QTest::newRow("fresh") << QByteArray() << QByteArray("{}") << QByteArray("{}");
    QTest::newRow("empty after long") << QByteArray(5000, 'a') << QByteArray() << QByteArray();
    QTest::newRow("shorter after longer") << QByteArray("abcdef") << QByteArray("xy") << QByteArray("xy");
    QTest::newRow("cut at NUL") << QByteArray(300, 'a') << QByteArray("ab\0cd", 5) << QByteArray("ab");
    QTest::newRow("cut at the limit") << QByteArray() << longest << longest.left(ReqBuffer::kParamLimit);
    QTest::newRow("short after the limit") << longest << QByteArray("z") << QByteArray("z");
}

void TestReqBuffer::request()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, param);
    QFETCH(QByteArray, sent);
    ReqBuffer buffer(0x0112, before);
    buffer.fill(0x0113, param);
    QCOMPARE(buffer.size(), ReqBuffer::kSize);
    QCOMPARE(ReqBuffer::typeOf(buffer.data()), uint16_t(0x0113));
    QCOMPARE(ReqBuffer::paramOf(buffer.data()), sent);
    const char* rest = buffer.data() + 2 + sent.size();
    const char* end = buffer.data() + ReqBuffer::kSize;
    QVERIFY(std::all_of(rest, end, [](char c) { return c == '\0'; }));
    // Made and filled at once: the same bytes.
    ReqBuffer once(0x0113, param);
    QVERIFY(std::equal(once.data(), once.data() + ReqBuffer::kSize, buffer.data()));
    ReqBuffer empty;
    QVERIFY(std::all_of(empty.data(), empty.data() + ReqBuffer::kSize, [](char c) { return c == '\0'; }));
}

void TestReqBuffer::reply()
{
    ReplyBuffer empty;
    QCOMPARE(empty.type(), uint16_t(0));
    QCOMPARE(empty.text(), QByteArray());
    ReplyBuffer reply{ReplyBuffer::Unset()};
    reply.fill(0x0112, 7, QByteArray(70000, 't'));
    QCOMPARE(reply.type(), uint16_t(0x0112));
    QCOMPARE(reply.status(), uint16_t(7));
    QCOMPARE(reply.text().size(), ReplyBuffer::kTextLimit - 1);
    reply.fill(0x0112, 0, QByteArray("ok"));
    QCOMPARE(reply.text(), QByteArray("ok"));
}

QTEST_GUILESS_MAIN(TestReqBuffer)
#include "tst_reqbuffer.moc"
