#pragma once

#include <QByteArray>
#include <QString>

// A fresh, short CORVISBENCH_PREFIX directory for one test (or one test case), removed again
// with the object. While it lives, every product path of this process points into it.
class TestPrefix
{
public:
    TestPrefix();
    ~TestPrefix();
    TestPrefix(const TestPrefix&) = delete;
    TestPrefix& operator=(const TestPrefix&) = delete;

    bool isValid() const { return !root_.isEmpty(); }
    QString root() const { return root_; }

    // A product path below the prefix: path("/tmp/corvisbench.pid").
    QString path(const QString& productPath) const;
    // A path below the re-rooted install root: installPath("ini/syscfg.ini").
    QString installPath(const QString& relative) const;

    // Writes a file below the install root (parents created) and resets the config caches.
    bool writeInstallFile(const QString& relative, const QByteArray& content) const;
    bool writeSysCfg(const QByteArray& content) const { return writeInstallFile("ini/syscfg.ini", content); }
    bool writeUserInfo(const QByteArray& content) const { return writeInstallFile("ini/userinfo.ini", content); }
    QByteArray readInstallFile(const QString& relative) const;

    // Makes this prefix the process's CORVISBENCH_PREFIX (done by the constructor).
    void activate() const;

private:
    QString root_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& content);
