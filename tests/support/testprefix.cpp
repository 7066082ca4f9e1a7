#include "testprefix.h"

#include "app/common.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

TestPrefix::TestPrefix()
{
    hadPrevious_ = qEnvironmentVariableIsSet("CORVISBENCH_PREFIX");
    previous_ = qgetenv("CORVISBENCH_PREFIX");
    // Short on purpose: a unix socket path below it must stay within 107 bytes.
    char templ[] = "/tmp/cvb.XXXXXX";
    if (::mkdtemp(templ) != nullptr) {
        root_ = QString::fromLocal8Bit(templ);
        QDir().mkpath(installPath("ini"));
        QDir().mkpath(path("/tmp"));
        activate();
    }
}

TestPrefix::~TestPrefix()
{
    if (!root_.isEmpty()) {
        QDir(root_).removeRecursively();
    }
    if (hadPrevious_) {
        qputenv("CORVISBENCH_PREFIX", previous_);
    } else {
        qunsetenv("CORVISBENCH_PREFIX");
    }
    Common::resetCachesForTest();
}

void TestPrefix::activate() const
{
    qputenv("CORVISBENCH_PREFIX", root_.toLocal8Bit());
    Common::resetCachesForTest();
}

QString TestPrefix::path(const QString& productPath) const
{
    return root_ + productPath;
}

QString TestPrefix::installPath(const QString& relative) const
{
    return root_ + QStringLiteral("/opt/quintrel/orvane/") + relative;
}

bool TestPrefix::writeInstallFile(const QString& relative, const QByteArray& content) const
{
    const bool ok = writeFile(installPath(relative), content);
    Common::resetCachesForTest();
    return ok;
}

QByteArray TestPrefix::readInstallFile(const QString& relative) const
{
    return readFile(installPath(relative));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}
