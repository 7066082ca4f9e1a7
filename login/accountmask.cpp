#include "login/accountmask.h"

#include "corviscommon/logging.h"

namespace {

constexpr int kMaskedLength = 11;
const QString kStars = QStringLiteral("****");

}  // namespace

int AccountMask::maskPosition(PageLoginType type, const corvis::Edition& edition)
{
    return type == PageLoginAccount && !edition.isVesk() ? 4 : 3;
}

QString AccountMask::encryptLastAccount(const QString& value, PageLoginType type,
                                        const corvis::Edition& edition)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        LOG(INFO) << "error loginType: " << static_cast<int>(type);
        return QString();
    }
    if (value.size() != kMaskedLength) {
        LOG(INFO) << (type == PageLoginAccount ? "account error, length is " : "phone error, length is ")
                  << value.size();
        return QString();
    }
    QString masked = value;
    masked.replace(maskPosition(type, edition), kStars.size(), kStars);
    return masked;
}

QString AccountMask::realValue(const QString& fieldText, const QString& remembered, PageLoginType type,
                               const corvis::Edition& edition)
{
    if (remembered.size() == kMaskedLength && fieldText == encryptLastAccount(remembered, type, edition)) {
        return remembered;
    }
    return fieldText;
}

bool AccountMask::isBrokenMask(const QString& fieldText, const QString& remembered, PageLoginType type,
                               const corvis::Edition& edition)
{
    if (remembered.size() != kMaskedLength) {
        return false;
    }
    // The phone field's mask stands at index 3 in every edition.
    return fieldText.mid(maskPosition(type, edition), kStars.size()) == kStars &&
           fieldText != encryptLastAccount(remembered, type, edition);
}
