#pragma once

// What the parts of MainWindow share. Internal to src/Views: the window is one class spread over
// mainwindow.cpp (construction, showing, navigation), mainwindowresults.cpp (request results),
// mainwindowpush.cpp (pushed messages) and mainwindowloginstate.cpp (the login state).

#include "src/Views/mainwindow.h"

#include "app/common.h"
#include "comm/cs_ret_status.h"
#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/downloadstore.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "login/clientlogindialog.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/dialogaccesscheckresult.h"
#include "src/Views/dialogappfor.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"
#include "src/Views/dialogspadisconnect.h"
#include "src/Views/pagedeviceinfo.h"
#include "src/Views/pagedynamicauth.h"
#include "src/Views/pageportal.h"
#include "src/Views/pagesandbox.h"
#include "src/Views/pagespa.h"
#include "src/Views/pageversioncheck.h"
#include "src/Views/viewleft.h"
#include "src/Views/viewtop.h"

#include <QString>

namespace mainwindowdetail {

// What a request to a missing service returns, and what the user is told instead.
inline const QString kConnectError = QStringLiteral("__CONNECT_ERROR__");
inline const QString kRestartMessage = QStringLiteral("安全工作台启动异常，请重启电脑后重试！");

// A client-service request from the main window; results come back through onCommMsg.
inline void requestClient(ClientReq req, const QString& body = QString())
{
    UiComm::instance()->apiCorvisclientCommon(req, body, true);
}

}  // namespace mainwindowdetail
