// DialogCommon: the user-information form a login asks to be completed (page 5).

#include "src/Views/dialogcommon.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/custiplabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kMaxFormText = 256;
const char* const kOptionValue = "optionValue";

QLabel* nameLabel(const st_ImproveUserInfoElements& element, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("labelElementName"));
    if (element.isRequired()) {
        // The marker is ours; the name from the controller stays text.
        label->setTextFormat(Qt::RichText);
        label->setText(QStringLiteral("<font color = red>* </font>") + element.strelementname.toHtmlEscaped());
    } else {
        label->setTextFormat(Qt::PlainText);
        label->setText(element.strelementname);
    }
    label->setWordWrap(true);
    return label;
}

// The values a check-box element starts with: its value holds them separated by commas.
bool startsChecked(const st_ImproveUserInfoElements& element, const st_selectOption& option)
{
    const QStringList current = element.strelementvalue.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return current.contains(option.value) || (!option.name.isEmpty() && current.contains(option.name));
}

}  // namespace

void DialogCommon::clearImproveUserInfoForm()
{
    delete formRows_;
    formRows_ = nullptr;
    elements_.clear();
    elementInputs_.clear();
}

void DialogCommon::showWindow(const QVector<st_ImproveUserInfoElements>& elements)
{
    LOG(INFO) << "showWindow st_ImproveUserInfoElements! elements: " << elements.size();
    clearImproveUserInfoForm();
    elements_ = elements;
    elementInputs_.resize(elements.size());
    formRows_ = new QWidget(formArea_);
    formRows_->setObjectName(QStringLiteral("widgetImproveUserInfoRows"));
    auto* rows = new QVBoxLayout(formRows_);
    rows->setContentsMargins(0, 0, 8, 0);
    rows->setSpacing(6);

    for (int index : DialogCommonRules::formOrder(elements)) {
        const st_ImproveUserInfoElements& element = elements.at(index);
        if (!DialogCommonRules::isKnownType(element.ielementtype)) {
            LOG(WARNING) << "showWindow st_ImproveUserInfoElements: element " << corvis::logSafe(element.uidelementid)
                         << " of unknown type " << element.ielementtype << " is not shown";
            continue;
        }
        rows->addWidget(nameLabel(element, formRows_));
        const QString inputName = QStringLiteral("improveInput%1").arg(index);
        QList<QWidget*>& inputs = elementInputs_[index];
        switch (element.ielementtype) {
        case st_ImproveUserInfoElements::LineEdit:
        case st_ImproveUserInfoElements::LineEdit3: {
            auto* edit = new CusLineEdit(formRows_);
            edit->setMaxLength(kMaxFormText);
            edit->setPlaceholderText(element.strelementdesc);
            edit->setText(element.strelementvalue);
            edit->setFixedHeight(34);
            inputs.append(edit);
            break;
        }
        case st_ImproveUserInfoElements::TextEdit: {
            auto* edit = new QPlainTextEdit(formRows_);
            edit->setPlaceholderText(element.strelementdesc);
            edit->setPlainText(element.strelementvalue);
            edit->setFixedHeight(72);
            inputs.append(edit);
            break;
        }
        case st_ImproveUserInfoElements::ComboBox: {
            auto* combo = new QComboBox(formRows_);
            const int current = DialogCommonRules::currentOption(element);
            // Nothing chosen yet: the user picks, nothing is chosen for them.
            if (current < 0) {
                combo->addItem(QStringLiteral("请选择"), QString());
            }
            for (const st_selectOption& option : element.selectOption) {
                combo->addItem(option.name, option.value);
            }
            combo->setCurrentIndex(current < 0 ? 0 : current);
            combo->setFixedHeight(34);
            inputs.append(combo);
            break;
        }
        case st_ImproveUserInfoElements::CheckBoxes: {
            auto* box = new QWidget(formRows_);
            auto* flow = new QHBoxLayout(box);
            flow->setContentsMargins(0, 0, 0, 0);
            for (int i = 0; i < element.selectOption.size(); ++i) {
                const st_selectOption& option = element.selectOption.at(i);
                auto* check = new QCheckBox(option.name, box);
                check->setObjectName(QStringLiteral("%1_%2").arg(inputName).arg(i));
                check->setAccessibleName(option.name);
                check->setProperty(kOptionValue, option.value);
                check->setChecked(startsChecked(element, option));
                flow->addWidget(check);
                inputs.append(check);
            }
            flow->addStretch(1);
            rows->addWidget(box);
            break;
        }
        default:
            break;
        }
        if (element.ielementtype != st_ImproveUserInfoElements::CheckBoxes && !inputs.isEmpty()) {
            QWidget* input = inputs.first();
            input->setObjectName(inputName);
            input->setAccessibleName(element.strelementname);
            rows->addWidget(input);
        }
        rows->addSpacing(6);
    }
    formLayout_->insertWidget(0, formRows_);
    setTips(QString(), PageDialogImproveUserInfo, true);
    setBtnStatus(true, PageDialogImproveUserInfo);
    switchTo(PageDialogImproveUserInfo, DialogCommonRules::size(PageDialogImproveUserInfo),
             DialogCommonRules::title(PageDialogImproveUserInfo));
    m_isFirstLogin = 0;
    showNormal();
    raise();
    activateWindow();
}

QVector<DialogCommonRules::FormValue> DialogCommon::improveUserInfoValues() const
{
    QVector<DialogCommonRules::FormValue> values(elements_.size());
    for (int i = 0; i < elements_.size() && i < elementInputs_.size(); ++i) {
        const QList<QWidget*>& inputs = elementInputs_.at(i);
        DialogCommonRules::FormValue& value = values[i];
        value.shown = DialogCommonRules::isKnownType(elements_.at(i).ielementtype);
        for (QWidget* input : inputs) {
            if (auto* line = qobject_cast<QLineEdit*>(input)) {
                value.text = line->text();
            } else if (auto* text = qobject_cast<QPlainTextEdit*>(input)) {
                value.text = text->toPlainText();
            } else if (auto* combo = qobject_cast<QComboBox*>(input)) {
                value.text = combo->currentData().toString();
            } else if (auto* check = qobject_cast<QCheckBox*>(input)) {
                if (check->isChecked()) {
                    value.checked.append(check->property(kOptionValue).toString());
                }
            }
        }
    }
    return values;
}

bool DialogCommon::checkImproveUserInfo()
{
    const QString message = DialogCommonRules::checkImproveUserInfo(elements_, improveUserInfoValues());
    if (message.isEmpty()) {
        return true;
    }
    setTips(message, PageDialogImproveUserInfo, true);
    return false;
}

QString DialogCommon::getImproveUserInfoValue() const
{
    return DialogCommonRules::improveUserInfoValue(elements_, improveUserInfoValues());
}
