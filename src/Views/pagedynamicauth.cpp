#include "src/Views/pagedynamicauth.h"

#include "corviscommon/logging.h"
#include "src/Views/notbuilt.h"

PageDynamicAuth::PageDynamicAuth(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageDynamicAuth"));
}

void PageDynamicAuth::updateData()
{
    LOG(INFO) << "PageDynamicAuth::updateData";
    logNotBuilt("PageDynamicAuth::updateData");
}
