#include "src/Views/approvedetaildialog.h"

#include "src/CustomControl/cusstyle.h"
#include "src/Views/approvetext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ApproveDetailDialog::ApproveDetailDialog(QWidget* parent) : CustomDialog(parent)
{
    setMinimizeVisible(false);
    resize(480, 400);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(24, 16, 24, 24);
    column->setSpacing(16);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(12);
    kind_ = new QLabel(body());
    kind_->setObjectName(QStringLiteral("labelKind"));
    kind_->setTextFormat(Qt::PlainText);
    kind_->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: bold; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    heading->addWidget(kind_);
    status_ = new QLabel(body());
    status_->setObjectName(QStringLiteral("labelStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignCenter);
    status_->setContentsMargins(8, 2, 8, 2);
    heading->addWidget(status_);
    heading->addStretch(1);
    column->addLayout(heading);

    form_ = new QFormLayout;
    form_->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form_->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form_->setHorizontalSpacing(8);
    form_->setVerticalSpacing(12);
    column->addLayout(form_);
    column->addStretch(1);
}

QString ApproveDetailDialog::kindText() const
{
    return kind_->text();
}

QString ApproveDetailDialog::statusText() const
{
    return status_->isHidden() ? QString() : status_->text();
}

QString ApproveDetailDialog::fieldText(const QString& label) const
{
    for (const auto& field : fields_) {
        if (field.first == label) {
            return field.second->text();
        }
    }
    return QString();
}

void ApproveDetailDialog::setKind(const QString& text)
{
    kind_->setText(text);
}

QLabel* ApproveDetailDialog::addField(const QString& label, const QString& objectName)
{
    auto* name = new QLabel(label, body());
    name->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kTextMuted)));
    auto* value = new QLabel(body());
    value->setObjectName(objectName);
    value->setTextFormat(Qt::PlainText);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    // A screen reader reads the field's name with its value.
    value->setAccessibleDescription(label);
    name->setBuddy(value);
    form_->addRow(name, value);
    fields_.append({label, value});
    return value;
}

void ApproveDetailDialog::setStatus(const QString& approveResult)
{
    const QString text = ApproveText::statusText(approveResult);
    status_->setText(text);
    status_->setStyleSheet(ApproveText::tagStyle(approveResult));
    status_->setHidden(text.isEmpty());
}

void ApproveDetailDialog::present()
{
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}
