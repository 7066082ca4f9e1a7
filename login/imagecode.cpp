#include "login/imagecode.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

bool ImageCode::saveBase64Imgae(const QString& authImage, const QString& path)
{
    static const QString prefix = QStringLiteral("data:image/png;base64,");
    if (!authImage.startsWith(prefix)) {
        // The picture carries a code: only its size is logged.
        LOG(WARNING) << "authImage value error: " << corvis::logSafe(authImage.left(prefix.size())) << "... (" << authImage.size()
                     << " characters)";
        return false;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(authImage.mid(prefix.size()).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    QImage image;
    if (!decoded || !image.loadFromData(*decoded)) {
        LOG(WARNING) << "authImage value error: not a picture";
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        LOG(WARNING) << "authImage value error: cannot write " << path;
        return false;
    }
    return true;
}

QString ImageCode::accountImagePath()
{
    return corvis::paths::imageCode();
}

QString ImageCode::phoneImagePath()
{
    return corvis::paths::phoneImageCode();
}
