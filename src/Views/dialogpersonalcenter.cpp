#include "src/Views/dialogpersonalcenter.h"

#include "app/common.h"
#include "comm/clientreq.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cusstyle.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/dialogcommon.h"

#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

QLabel* valueLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* linkButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setFlat(true);
    return button;
}

}  // namespace

DialogPersonalCenter::DialogPersonalCenter(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogPersonalCenter"));
    setAccessibleName(QStringLiteral("个人中心"));
    setWindowTitle(QStringLiteral("个人中心"));
    resize(760, 520);
    dialogCommon_ = new DialogCommon(this);
    dialogCommon_->setObjectName(QStringLiteral("DialogCommonPersonal"));
    connect(dialogCommon_, &DialogCommon::sendSetPersonalCenterPhone, this, &DialogPersonalCenter::slot_set_bindPhone);

    fullName_ = valueLabel(body(), "labelFullName");
    fullName_->setStyleSheet(QStringLiteral("font-size: 18px; font-weight: bold; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    department_ = valueLabel(body(), "labelDepartment");
    phone_ = valueLabel(body(), "labelPhone");
    pwdExpired_ = valueLabel(body(), "labelPwdExpired");
    phoneButton_ = linkButton(QStringLiteral("绑定手机"), "btnPhone", body());
    pwdButton_ = linkButton(QStringLiteral("修改密码"), "btnModifyPwd", body());
    const QString theme = QLatin1String(cusstyle::kTheme);
    for (QPushButton* button : {phoneButton_, pwdButton_}) {
        button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; background: transparent; }"
                                             "QPushButton:hover { text-decoration: underline; }")
                                  .arg(theme));
    }
    connect(phoneButton_, &QPushButton::clicked, this, &DialogPersonalCenter::onPhoneClicked);
    connect(pwdButton_, &QPushButton::clicked, this, &DialogPersonalCenter::onModifyPwdClicked);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    grid->addWidget(fullName_, 0, 0, 1, 3);
    const QStringList rows = {QStringLiteral("部   门："), QStringLiteral("绑定手机："), QStringLiteral("密码过期：")};
    QLabel* const values[] = {department_, phone_, pwdExpired_};
    for (int i = 0; i < rows.size(); ++i) {
        auto* label = new QLabel(rows.at(i), body());
        label->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(cusstyle::kTextMuted)));
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(values[i], i + 1, 1);
    }
    grid->addWidget(phoneButton_, 2, 2);
    grid->addWidget(pwdButton_, 3, 2);
    grid->setColumnStretch(1, 1);

    auto* history = new QLabel(QStringLiteral("登录记录"), body());
    history->setStyleSheet(QStringLiteral("font-size: 15px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    table_ = new QTableWidget(0, 5, body());
    table_->setObjectName(QStringLiteral("tableLoginAudit"));
    table_->setAccessibleName(QStringLiteral("登录记录"));
    table_->setHorizontalHeaderLabels({QStringLiteral("登陆时间"), QStringLiteral("登陆方式"), QStringLiteral("设备IP"),
                                       QStringLiteral("设备MAC"), QStringLiteral("描述")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setMouseTracking(true);
    const int widths[] = {160, 130, 130, 150};
    for (int i = 0; i < 4; ++i) {
        table_->setColumnWidth(i, widths[i]);
    }
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::entered, this, &DialogPersonalCenter::onShowTip);
    connect(table_, &QTableWidget::clicked, this, &DialogPersonalCenter::onShowTip);

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(24, 16, 24, 16);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addWidget(history);
    layout->addWidget(table_, 1);
    slot_set_bindPhone(QString());
    pwdExpired_->setText(expiryText(QString()));
    phoneButton_->hide();
    pwdButton_->hide();
}

QString DialogPersonalCenter::phoneText(const QString& phone)
{
    return phone.isEmpty() ? QStringLiteral("未绑定手机号") : phone;
}

QString DialogPersonalCenter::expiryText(const QString& expiry)
{
    return expiry.isEmpty() ? QStringLiteral("永不过期") : expiry;
}

void DialogPersonalCenter::updateBaseData()
{
    LOG(INFO) << "DialogPersonalCenter::updateBaseData";
    fullName_->setText(Common::userFullName());
    department_->setText(Common::department());
    pwdExpired_->setText(expiryText(Common::pwdExpiredTime()));
    const QString phone = Common::phoneNumber();
    slot_set_bindPhone(phone);
    if (!phone.isEmpty()) {
        dialogCommon_->setUnbindingPhone(phone);
    }
    phoneButton_->setVisible(isAllowed(Common::allowChangePhone()));
    pwdButton_->setVisible(isAllowed(Common::allowChangePwd()));
}

void DialogPersonalCenter::slot_set_bindPhone(QString phone)
{
    LOG(INFO) << "DialogPersonalCenter::slot_set_bindPhone";
    phone_->setText(phoneText(phone));
    phoneButton_->setText(phone.isEmpty() ? QStringLiteral("绑定手机") : QStringLiteral("解绑手机"));
    phoneButton_->setAccessibleName(phoneButton_->text());
    phoneBound_ = phone.isEmpty() ? 0 : 1;
}

void DialogPersonalCenter::onPhoneClicked()
{
    if (phoneBound_ == 1) {
        const QString phone = Common::phoneNumber();
        dialogCommon_->setUnbindingPhone(phone);
        LOG(INFO) << "UnbindingPhone phoneNumber:" << corvis::logSafe(phone);
        dialogCommon_->showWindow(PageDialogUnbindling, CS_RET_SUCCESS, CReqClientLogin76);
    } else {
        dialogCommon_->showWindow(PageDialogBindling, CS_RET_SUCCESS, CReqClientLogin76);
    }
}

void DialogPersonalCenter::onModifyPwdClicked()
{
    dialogCommon_->showWindow(PageDialogModifyPwd, CS_RET_SUCCESS, CReqClientLogin76);
}

void DialogPersonalCenter::updateLoginAudit()
{
    LOG(INFO) << "DialogPersonalCenter::updateLoginAudit";
    QList<st_loginAuditItem> items;
    if (PolicyAnalyzer::instance()->readLoginAudit(items)) {
        updateTable(items);
    }
    emit loginAuditUpdated();
}

void DialogPersonalCenter::updateTable(const QList<st_loginAuditItem>& items)
{
    PolicyAnalyzer* analyzer = PolicyAnalyzer::instance();
    table_->clearContents();
    table_->setRowCount(items.size());
    for (int row = 0; row < items.size(); ++row) {
        const st_loginAuditItem& item = items.at(row);
        const QString cells[] = {item.action_time, analyzer->getAuthType(item.auth_type), item.client_ip,
                                 item.client_mac, item.description};
        for (int column = 0; column < 5; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setText(cells[column]);
            table_->setItem(row, column, cell);
        }
    }
}

void DialogPersonalCenter::onShowTip(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // A description from the controller is text, never markup.
    QToolTip::showText(QCursor::pos(), QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
                                           QStringLiteral("</p>"),
                       table_);
}

void DialogPersonalCenter::exitClear()
{
    dialogCommon_->hideAndClearData();
    hide();
    table_->clearContents();
    table_->setRowCount(0);
    fullName_->clear();
    department_->clear();
    slot_set_bindPhone(QString());
    pwdExpired_->setText(expiryText(QString()));
    phoneButton_->hide();
    pwdButton_->hide();
}
