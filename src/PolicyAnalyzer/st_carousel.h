#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One picture of the login-page carousel.
struct st_showPic {
    QString strpicpath;
    int iorder = 0;
};

// Settings of the login-page picture carousel.
struct st_carousel {
    int isCarouselEnabled = 0;
    int showType = 0;
    QString scheduledShowTime;
    int showEndType = 0;
    QString showEndTime;
    int carouselSwitchTime = 0;
    QList<st_showPic> showPic;
};
Q_DECLARE_METATYPE(st_carousel)
