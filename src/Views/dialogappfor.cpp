#include "src/Views/dialogappfor.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "src/CustomControl/cusstyle.h"
#include "src/Views/appforright.h"
#include "src/Views/appresourcerequest.h"
#include "src/Views/sandboxresourcerequest.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QStackedWidget>

DialogAppFor* DialogAppFor::instance(QWidget* parent)
{
    static DialogAppFor* dialog = new DialogAppFor(parent);
    return dialog;
}

DialogAppFor::DialogAppFor(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogAppFor"));
    setWindowTitle(QStringLiteral("我的申请"));
    setAccessibleName(QStringLiteral("我的申请"));
    resize(860, 560);

    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    tabs_ = new QListWidget(body());
    tabs_->setObjectName(QStringLiteral("listAppForTabs"));
    tabs_->setAccessibleName(QStringLiteral("申请类型"));
    tabs_->setFixedWidth(180);
    tabs_->setFocusPolicy(Qt::StrongFocus);
    tabs_->setStyleSheet(QStringLiteral("QListWidget {border: none; border-right: 1px solid %1; background: #F7F8FA; "
                                        "font-size: 14px; outline: none; padding-top: 8px;}"
                                        "QListWidget::item {height: 44px; border: none; padding-left: 20px; color: %2;}"
                                        "QListWidget::item:!selected {padding-left: 20px;}"
                                        "QListWidget::item:selected {padding-left: 20px; background: %3; color: %4;}")
                             .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText),
                                  QLatin1String(cusstyle::kThemeLight), QLatin1String(cusstyle::kTheme)));
    tabs_->addItem(QStringLiteral("资源申请"));
    tabs_->addItem(Common::edition().is(corvis::Edition::Id::Kav) ? QStringLiteral("数据申请")
                                                                   : QStringLiteral("沙箱数据流转申请"));
    row->addWidget(tabs_);

    stack_ = new QStackedWidget(body());
    stack_->setObjectName(QStringLiteral("stackAppFor"));
    appRight_ = new AppforRight(stack_);
    sandboxRight_ = new SandboxForRight(stack_);
    stack_->addWidget(appRight_);
    stack_->addWidget(sandboxRight_);
    row->addWidget(stack_, 1);

    connect(tabs_, &QListWidget::currentRowChanged, this, &DialogAppFor::onLeftBtnChanged);
    tabs_->setCurrentRow(TabAppApprove);
}

void DialogAppFor::initAppApproveRecords()
{
    LOG(INFO) << "DialogAppFor::initAppApproveRecords";
    appRight_->initRecords();
}

void DialogAppFor::initSandboxApproveRecords()
{
    LOG(INFO) << "DialogAppFor::initSandboxApproveRecords";
    sandboxRight_->initRecords();
}

void DialogAppFor::setCurrentIndex(int index)
{
    if (index < 0 || index >= tabs_->count()) {
        LOG(WARNING) << "FUNC(DialogAppFor::setCurrentIndex) error index: " << index;
        return;
    }
    tabs_->setCurrentRow(index);
}

int DialogAppFor::currentIndex() const
{
    return stack_->currentIndex();
}

void DialogAppFor::onLeftBtnChanged(int index)
{
    if (index < 0 || index >= stack_->count()) {
        return;
    }
    stack_->setCurrentIndex(index);
}

void DialogAppFor::handleAppApproveRecords(bool ok, const QString& text)
{
    appRight_->updateInfo(ok, text);
    emit appApproveRecordsReceived(ok, text);
}

void DialogAppFor::closeEvent(QCloseEvent* event)
{
    LOG(INFO) << "DialogAppFor::closeEvent";
    // The details belong to the lists: they go with them.
    if (appRight_->detailDialog() != nullptr) {
        appRight_->detailDialog()->hide();
    }
    if (sandboxRight_->detailDialog() != nullptr) {
        sandboxRight_->detailDialog()->hide();
    }
    CustomDialog::closeEvent(event);
}
