#include "corviscommon/logbatch.h"

#include <QtTest>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

size_t g_written = 0;
void countWritten(size_t bytes) { g_written += bytes; }

// Every record handed to the sinks, in order.
class Records : public google::LogSink
{
public:
    Records() { google::AddLogSink(this); }
    ~Records() override { google::RemoveLogSink(this); }
    void send(google::LogSeverity, const char*, const char*, int, const struct ::tm*, const char* message,
              size_t length) override
    {
        texts.append(QString::fromUtf8(message, int(length)));
    }
    QStringList texts;
};

int g_evaluated = 0;
int evaluated() { return ++g_evaluated; }

}  // namespace

class TestLogBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        FLAGS_log_dir = dir_.path().toStdString();
        google::InitGoogleLogging("tst_logbatch");
        FLAGS_stderrthreshold = google::GLOG_FATAL;
        FLAGS_logbufsecs = 0;
        google::SetLogDestination(google::GLOG_INFO, (dir_.path() + QStringLiteral("/info.")).toLocal8Bit().constData());
    }

    void cleanup()
    {
        corvis::LogBatch::disableDirect();
        FLAGS_minloglevel = google::GLOG_INFO;
    }

    // Written straight to the file, the lines are those glog would write, in statement order.
    void directLinesAreGlogLines()
    {
        corvis::LogBatch::enableDirect(&countWritten);
        g_written = 0;
        LOG(INFO) << "before the batch";
        {
            corvis::LogBatch batch;
            QVERIFY(batch.direct());
            for (int i = 0; i < 3; ++i) {
                LOG_BATCHED(batch) << "source:" << QStringLiteral("浏览器") << ", entry " << i;
            }
            batch.flush();
            LOG(INFO) << "between";
            LOG_BATCHED(batch) << "held until the batch ends";
        }
        LOG(INFO) << "after the batch";

        const QStringList lines = infoLines();
        const QStringList expected = {"before the batch", "source:浏览器, entry 0", "source:浏览器, entry 1",
                                      "source:浏览器, entry 2", "between", "held until the batch ends",
                                      "after the batch"};
        QCOMPARE(lines.size(), expected.size());
        const QRegularExpression prefix(
            QStringLiteral("^I(\\d{8} \\d\\d:\\d\\d:\\d\\d\\.\\d{6}) +(\\d+) tst_logbatch\\.cpp:\\d+\\] (.*)$"));
        QString thread;
        qint64 batchBytes = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = prefix.match(lines.at(i));
            QVERIFY2(match.hasMatch(), qPrintable(lines.at(i)));
            QCOMPARE(match.captured(3), expected.at(i));
            if (thread.isEmpty()) {
                thread = match.captured(2);
            }
            QCOMPARE(match.captured(2), thread);  // the same thread id as glog's own
            if (expected.at(i).startsWith(QLatin1String("source:")) || expected.at(i).startsWith(QLatin1String("held"))) {
                batchBytes += lines.at(i).toUtf8().size() + 1;
            }
        }
        QCOMPARE(qint64(g_written), batchBytes);
    }

    // Without direct writing every line is an ordinary record that the sinks see.
    void otherwiseOrdinaryRecords()
    {
        Records records;
        corvis::LogBatch batch;
        QVERIFY(!batch.direct());
        LOG_BATCHED(batch) << "one";
        LOG(INFO) << "two";
        LOG_BATCHED(batch) << "three";
        QCOMPARE(records.texts, (QStringList{"one", "two", "three"}));
    }

    // A filtered line neither evaluates its operands nor writes anything.
    void filteredLinesCostNothing()
    {
        corvis::LogBatch::enableDirect(&countWritten);
        g_written = 0;
        g_evaluated = 0;
        FLAGS_minloglevel = google::GLOG_WARNING;
        {
            corvis::LogBatch batch;
            LOG_BATCHED(batch) << evaluated();
            LOG(INFO) << evaluated();
        }
        QCOMPARE(g_evaluated, 0);
        QCOMPARE(g_written, size_t(0));
    }

private:
    QStringList infoLines() const
    {
        const QStringList files = QDir(dir_.path()).entryList({QStringLiteral("info.*")}, QDir::Files);
        if (files.size() != 1) {
            return {};
        }
        QFile file(dir_.filePath(files.first()));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('I')) {  // past the header glog opens the file with
                lines.append(QString::fromUtf8(line));
            }
        }
        return lines;
    }

    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestLogBatch)
#include "tst_logbatch.moc"
