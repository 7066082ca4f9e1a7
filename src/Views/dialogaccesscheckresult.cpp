#include "src/Views/dialogaccesscheckresult.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/custreelist.h"
#include "src/CustomControl/cuspicture.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

const char* const kCheckAgainStyle =
    "border-radius: 3px;background-color: #5BC48E;text-align: center;color: #FFFFFF;border: none;font-size: 14px;";
const char* const kCheckAgainBusyStyle =
    "border-radius: 3px;background-color: #FFFFFF;text-align: center;color: #8F959E;border: 1px solid #D1D3D6;"
    "font-size: 14px;";
constexpr int kPictureSize = 56;

void openInBrowser(const QString& url)
{
    QThreadPool::globalInstance()->start([url]() {
        const int result = Common::openURL(url);
        if (result != 0) {
            LOG(WARNING) << "FUNC(openRepairGuide) the link did not reach the browser, result: " << result;
        }
    });
}

}  // namespace

DialogAccessCheckResult::DialogAccessCheckResult(QWidget* parent) : CustomDialog(parent), opener_(openInBrowser)
{
    setObjectName(QStringLiteral("DialogAccessCheckResult"));
    setWindowTitle(QStringLiteral("接入检查"));
    setAccessibleName(QStringLiteral("接入检查"));
    setWindowModality(Qt::ApplicationModal);
    setMinimizeVisible(false);
    setFixedSize(600, 520);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 16);
    column->setSpacing(0);

    auto* headArea = new QWidget(body());
    headArea->setObjectName(QStringLiteral("widgetHead"));
    headArea->setAttribute(Qt::WA_StyledBackground);
    headArea->setStyleSheet(QStringLiteral("QWidget#widgetHead { background: #FEF5F5; }"));
    auto* headRow = new QHBoxLayout(headArea);
    headRow->setContentsMargins(24, 16, 24, 16);
    headRow->setSpacing(16);
    picture_ = new QLabel(headArea);
    picture_->setObjectName(QStringLiteral("labelHeadPicture"));
    picture_->setFixedSize(kPictureSize, kPictureSize);
    head_ = new QLabel(headArea);
    head_->setObjectName(QStringLiteral("labelHead"));
    head_->setTextFormat(Qt::PlainText);
    head_->setWordWrap(true);
    head_->setStyleSheet(QStringLiteral("font-size: 18px;color: #4A4A4A;"));
    head_->setText(QStringLiteral("检查已完成，共发现 ? 个不合规项，请立即修复!"));
    headRow->addWidget(picture_);
    headRow->addWidget(head_, 1);
    column->addWidget(headArea);

    tree_ = new CusTreeList(body());
    tree_->setObjectName(QStringLiteral("treeAccessCheck"));
    tree_->setAccessibleName(QStringLiteral("不合规项"));
    connect(tree_, &CusTreeList::linkActivated, this, &DialogAccessCheckResult::openRepairGuide);
    auto* treeRow = new QHBoxLayout;
    treeRow->setContentsMargins(24, 12, 24, 12);
    treeRow->addWidget(tree_);
    column->addLayout(treeRow, 1);

    checkAgain_ = new QPushButton(QStringLiteral("重新检查"), body());
    checkAgain_->setObjectName(QStringLiteral("btnCheckAgain"));
    checkAgain_->setAccessibleName(QStringLiteral("重新检查"));
    checkAgain_->setFixedSize(120, 36);
    checkAgain_->setCursor(Qt::PointingHandCursor);
    checkAgain_->setStyleSheet(QLatin1String(kCheckAgainStyle));
    connect(checkAgain_, &QPushButton::clicked, this, &DialogAccessCheckResult::onCheckAgain);
    column->addWidget(checkAgain_, 0, Qt::AlignHCenter);
    setHeadPicture(QStringLiteral("head_error.png"));
}

QString DialogAccessCheckResult::pictureDir()
{
    return Common::edition().isVesk() ? QStringLiteral("vesk/clientlogin/") : QStringLiteral("default/clientlogin/");
}

void DialogAccessCheckResult::setHeadPicture(const QString& name)
{
    picture_->setPixmap(CusPicture::load(corvis::paths::resource(pictureDir() + name), picture_->size()));
}

void DialogAccessCheckResult::updateData(const st_accessCheckResult& result)
{
    LOG(INFO) << "DialogAccessCheckResult::updateData";
    checking_ = false;
    checkAgain_->setStyleSheet(QLatin1String(kCheckAgainStyle));
    checkAgain_->show();
    checkAgain_->setEnabled(true);
    setHeadPicture(QStringLiteral("head_error.png"));
    setErrorHeadWidget(result.nodeCount);

    QList<st_treeListSection> sections;
    sections.reserve(result.nodes.size());
    for (const st_primaryNode& node : result.nodes) {
        st_treeListSection section;
        section.title = node.title;
        for (const st_secondaryNode& item : node.items) {
            if (!item.repairGuideUrl.trimmed().isEmpty() && !CusTreeList::isOpenableLink(item.repairGuideUrl)) {
                LOG(WARNING) << "FUNC(DialogAccessCheckResult::updateData) repair link left out, not http or https: "
                             << corvis::logSafe(item.repairGuideUrl);
            }
            section.items.append({item.reason, item.repairGuideUrl});
        }
        sections.append(section);
    }
    tree_->setSections(sections);
}

void DialogAccessCheckResult::setErrorHeadWidget(int count)
{
    head_->setText(QStringLiteral("检查已完成，共发现 %1 个不合规项，请立即修复!").arg(count));
}

QString DialogAccessCheckResult::headText() const
{
    return head_->text();
}

void DialogAccessCheckResult::onCheckAgain()
{
    LOG(INFO) << "DialogAccessCheckResult::onCheckAgain";
    checking_ = true;
    checkAgain_->hide();
    checkAgain_->setStyleSheet(QLatin1String(kCheckAgainBusyStyle));
    head_->setText(QStringLiteral("正在处理中，请稍候..."));
    setHeadPicture(QStringLiteral("head_fixing.png"));
    emit sendCheckStart();
}

void DialogAccessCheckResult::showCentred()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
    }
    show();
    raise();
    activateWindow();
}

void DialogAccessCheckResult::dismiss()
{
    checking_ = false;
    hide();
}

void DialogAccessCheckResult::openRepairGuide(const QString& url)
{
    if (!CusTreeList::isOpenableLink(url)) {
        LOG(WARNING) << "FUNC(openRepairGuide) refused a repair link that is not http or https: " << corvis::logSafe(url);
        return;
    }
    LOG(INFO) << "FUNC(openRepairGuide) open: " << corvis::logSafe(url);
    opener_(url.trimmed());
}

void DialogAccessCheckResult::setUrlOpener(const UrlOpener& opener)
{
    opener_ = opener ? opener : UrlOpener(openInBrowser);
}

void DialogAccessCheckResult::closeEvent(QCloseEvent* event)
{
    LOG(INFO) << "DialogAccessCheckResult::closeEvent";
    checking_ = false;
    CustomDialog::closeEvent(event);
    emit sendCloseAccessCheckResult();
}
