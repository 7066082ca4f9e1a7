#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures read from files (the install root's) drawn sharp at any device pixel ratio: on a
// screen of ratio above 1 the picture's "@2x" twin beside it is read where there is one, and the
// pixmap carries its ratio, so a label shows it at its logical size. (QIcon does this for the
// built-in pictures; QPixmap(path) does not.)
class CusPicture
{
public:
    // The picture at `path`; with a valid `size`, fitted into that many logical pixels keeping
    // its aspect (or stretched to it when `keepAspect` is false). `ratio` 0: the application's.
    // A file that cannot be read gives a null pixmap.
    static QPixmap load(const QString& path, const QSize& size = QSize(), bool keepAspect = true, qreal ratio = 0);
    // The name of the "@2x" twin of `path` ("a/b.png" -> "a/b@2x.png").
    static QString twinPath(const QString& path);
};
